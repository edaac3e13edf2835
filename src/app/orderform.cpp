#include "app/orderform.h"
#include "ui_orderform.h"

#include "backup/helptab.h"
#include "basedata/basedatatab.h"
#include "common/apperror.h"
#include "common/dialogs.h"
#include "data/demodm.h"
#include "entry/entrytab.h"
#include "history/historytab.h"

#include <QApplication>
#include <QCloseEvent>
#include <QScreen>
#include <QTimer>

namespace {
TOrderForm *g_instance = nullptr;
}

TOrderForm::TOrderForm(QWidget *parent) : QWidget(parent), ui(new Ui::TOrderForm)
{
    if (!g_instance)
        g_instance = this;
    ui->setupUi(this);
    setObjectName(QStringLiteral("OrderForm"));

    m_entry = new TEntryTab(ui->TabSheet1);
    ui->TabSheet1Layout->addWidget(m_entry);
    m_baseData = new TBaseDataTab(ui->TabSheet2);
    ui->TabSheet2Layout->addWidget(m_baseData);
    m_history = new THistoryTab(ui->TabSheet3);
    ui->TabSheet3Layout->addWidget(m_history);
    m_help = new THelpTab(ui->TabSheet4);
    ui->TabSheet4Layout->addWidget(m_help);
    ui->PageControl1->setCurrentIndex(0);

    FormCreate();
}

TOrderForm::~TOrderForm()
{
    if (g_instance == this)
        g_instance = nullptr;
    delete ui;
}

TOrderForm *TOrderForm::instance()
{
    return g_instance;
}

void TOrderForm::FormCreate()
{
    // 929 × 696, centred on the desktop.
    resize(929, 696);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect avail = screen->availableGeometry();
        move(avail.center() - QPoint(width() / 2, height() / 2));
    }
    setWindowTitle(kProductTitle);
    Dialogs::setParentWidget(this);
}

void TOrderForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        QTimer::singleShot(0, this, &TOrderForm::FormShow);
    }
}

void TOrderForm::endProgram()
{
    emit quitRequested();
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

void TOrderForm::FormShow()
{
    TDemoDM *dm = TDemoDM::instance();
    if (dm && !dm->isOpen() && !dm->open()) {
        Dialogs::message(QStringLiteral("data error"));
        endProgram();
        return;
    }
    setWindowTitle(kProductTitle);
    m_startupDone = true;
}

void TOrderForm::bringToFront()
{
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void TOrderForm::FormClose()
{
}

void TOrderForm::closeEvent(QCloseEvent *event)
{
    try {
        FormClose();
    } catch (...) {
    }
    QWidget::closeEvent(event);
}
