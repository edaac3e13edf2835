#include "print/receiptpreview.h"

#include "common/apperror.h"
#include "common/dialogs.h"
#include "print/defaultprinter.h"

#include <QFile>
#include <QHBoxLayout>
#include <QPdfDocument>
#include <QPdfView>
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
    m_view = new QPdfView(this);
    m_view->setObjectName(QStringLiteral("pdfView"));
    m_view->setDocument(m_document);
    m_view->setPageMode(QPdfView::PageMode::MultiPage);
    m_view->setZoomMode(QPdfView::ZoomMode::FitToWidth);

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

TReceiptPreview::~TReceiptPreview()
{
    m_view->setDocument(nullptr);
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
