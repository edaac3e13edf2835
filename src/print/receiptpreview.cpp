#include "print/receiptpreview.h"

#include "common/apperror.h"
#include "common/dialogs.h"
#include "print/defaultprinter.h"

#include <QFile>
#include <QHBoxLayout>
#include <QPdfDocument>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QPushButton>
#include <QVBoxLayout>

TReceiptPreview::TReceiptPreview(const QString &pdfPath, const QString &title, QWidget *parent)
    : QWidget(parent, Qt::Window), m_pdfPath(pdfPath), m_title(title)
{
    setObjectName(QStringLiteral("ReceiptPreview"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("单据打印预览 - %1").arg(title));

    m_document = new QPdfDocument(this);
    m_document->load(pdfPath);
    m_view = new QScrollArea(this);
    m_view->setObjectName(QStringLiteral("pdfView"));
    m_view->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_view->setBackgroundRole(QPalette::Dark);
    m_pages = new QLabel;
    m_pages->setObjectName(QStringLiteral("pdfPages"));
    m_view->setWidget(m_pages);

    m_print = new QPushButton(QStringLiteral("打印"), this);
    m_print->setObjectName(QStringLiteral("btnPrint"));
    auto *closeButton = new QPushButton(QStringLiteral("关闭"), this);
    closeButton->setObjectName(QStringLiteral("btnClose"));
    connect(m_print, &QPushButton::clicked, this, &TReceiptPreview::printClick);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_print);
    buttons->addWidget(closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addLayout(buttons);
    resize(900, 680);
}

void TReceiptPreview::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    renderPages();
}

void TReceiptPreview::renderPages()
{
    // The window's width, less the margins and a scroll bar.
    const int width = qMax(200, this->width() - 60);
    if (width == m_renderedWidth || m_document->pageCount() <= 0)
        return;
    m_renderedWidth = width;
    const qreal ratio = devicePixelRatioF();
    QList<QImage> pages;
    int height = 0;
    for (int i = 0; i < m_document->pageCount(); ++i) {
        const QSizeF points = m_document->pagePointSize(i);
        if (points.width() <= 0)
            continue;
        const QSize size(width, int(width * points.height() / points.width()));
        QImage page = m_document->render(i, size * ratio);
        page.setDevicePixelRatio(ratio);
        height += size.height() + 10;
        pages << page;
    }
    QPixmap sheet(QSize(width, qMax(1, height)) * ratio);
    sheet.setDevicePixelRatio(ratio);
    sheet.fill(palette().color(QPalette::Dark));
    QPainter painter(&sheet);
    int y = 0;
    for (const QImage &page : pages) {
        painter.fillRect(QRect(0, y, width, int(page.height() / ratio)), Qt::white);
        painter.drawImage(QPoint(0, y), page);
        y += int(page.height() / ratio) + 10;
    }
    painter.end();
    m_pages->setPixmap(sheet);
    m_pages->resize(width, height);
}

TReceiptPreview::~TReceiptPreview()
{
    m_document->close();
    QFile::remove(m_pdfPath);
}

int TReceiptPreview::pageCount() const
{
    return m_document->pageCount();
}

void TReceiptPreview::printClick()
{
    try {
        const int job = DefaultPrinter::printPdf(m_pdfPath, m_title);
        emit printed(job);
        close();
    } catch (const AppError &e) {
        Dialogs::error(e.message());
    }
}
