#include "backup/qdljfm.h"
#include "ui_qdljfm.h"

#include "backup/databasecopy.h"
#include "common/dialogs.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QInputDialog>
#include <QTemporaryFile>

namespace {
const QString kCaption = QStringLiteral("提示");
}

Tqdljfm::Tqdljfm(QWidget *parent) : QDialog(parent), ui(new Ui::Tqdljfm)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);
    setFixedSize(560, 380);

    m_model = new QFileSystemModel(this);
    m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_model->setRootPath(QStringLiteral("/"));
    ui->DirectoryListBox1->setModel(m_model);
    ui->DirectoryListBox1->setRootIndex(m_model->index(QStringLiteral("/")));
    for (int c = 1; c < m_model->columnCount(); ++c)
        ui->DirectoryListBox1->hideColumn(c);
    ui->DirectoryListBox1->header()->hide();
    ui->FileListBox1->setSelectionMode(QAbstractItemView::NoSelection);
    ui->FileListBox1->setMaximumWidth(180);

    connect(ui->DirectoryListBox1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) {
                if (current.isValid())
                    folderSelected(m_model->filePath(current));
            });
    // The tree reads folders in the background: the selected folder is shown
    // as soon as its parents are read.
    connect(m_model, &QFileSystemModel::directoryLoaded, this, [this](const QString &) {
        if (!m_pending.isEmpty())
            showInTree(m_pending);
    });
    connect(ui->DirectoryListBox1, &QTreeView::clicked, this, [this] { m_pending.clear(); });
    connect(ui->BitBtn1, &QPushButton::clicked, this, &Tqdljfm::BitBtn1Click);
    connect(ui->BitBtn2, &QPushButton::clicked, this, &Tqdljfm::BitBtn2Click);

    askFolderName = [this](QString *name) {
        bool ok = false;
        *name = QInputDialog::getText(this, QStringLiteral("新建文件夹"), QStringLiteral("新文件夹名称："),
                                      QLineEdit::Normal, QString(), &ok);
        return ok;
    };

    setFolder(QDir::homePath());
}

Tqdljfm::~Tqdljfm()
{
    delete ui;
}

void Tqdljfm::setFolder(const QString &path)
{
    QString folder = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    while (!QFileInfo(folder).isDir() && folder != QLatin1String("/"))
        folder = QFileInfo(folder).absolutePath();
    m_pending = folder;
    showInTree(folder);
    folderSelected(folder);
}

void Tqdljfm::showInTree(const QString &folder)
{
    const QModelIndex index = m_model->index(folder);
    if (!index.isValid())
        return;
    for (QModelIndex up = index.parent(); up.isValid(); up = up.parent())
        ui->DirectoryListBox1->expand(up);
    ui->DirectoryListBox1->setCurrentIndex(index);
    ui->DirectoryListBox1->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void Tqdljfm::folderSelected(const QString &path)
{
    m_selected = path;
    ui->LabelPath->setText(path);
    // The database files of the folder, for viewing only.
    ui->FileListBox1->clear();
    ui->FileListBox1->addItems(QDir(path).entryList({QStringLiteral("*.db")}, QDir::Files, QDir::Name));
}

QStringList Tqdljfm::shownFiles() const
{
    QStringList files;
    for (int i = 0; i < ui->FileListBox1->count(); ++i)
        files << ui->FileListBox1->item(i)->text();
    return files;
}

void Tqdljfm::BitBtn1Click()
{
    QString name;
    if (!askFolderName || !askFolderName(&name))
        return;
    name = name.trimmed();
    if (name.isEmpty())
        return;
    if (name.contains(QLatin1Char('/')) || name == QLatin1String(".") || name == QLatin1String("..")) {
        Dialogs::message(QStringLiteral("文件夹名称不能含有“/”，也不能是“.”或“..”！"), kCaption);
        return;
    }
    QDir parent(m_selected);
    const QString created = parent.filePath(name);
    // A folder for backups: its owner's alone.
    if (!QFileInfo(created).isDir() && !DatabaseCopy::makeOwnFolder(created)) {
        Dialogs::message(QStringLiteral("不能在%1中新建文件夹“%2”！").arg(m_selected, name), kCaption);
        return;
    }
    setFolder(created);
}

void Tqdljfm::BitBtn2Click()
{
    const QString folder = m_selected;
    // The backup is written into this folder: it has to take a new file.
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".mtrfee-probe-XXXXXX")));
    if (!QFileInfo(folder).isDir() || !probe.open()) {
        Dialogs::message(QStringLiteral("文件夹“%1”不可写，不能保存备份，请选择其他文件夹！").arg(folder), kCaption);
        return;
    }
    probe.close();
    m_chosen = folder;
    accept();
}
