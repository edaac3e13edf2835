#pragma once

#include <QWidget>

class QPdfDocument;
class QLabel;
class QPushButton;
class QScrollArea;

// The preview of a filled receipt: its first worksheet rendered as PDF,
// with a button that prints it on the default printer. Deletes itself when
// closed.
class TReceiptPreview : public QWidget
{
    Q_OBJECT
public:
    // pdfPath: the rendered receipt; title: shown in the window title.
    TReceiptPreview(const QString &pdfPath, const QString &title, QWidget *parent = nullptr);
    ~TReceiptPreview() override;

    QString pdfPath() const { return m_pdfPath; }
    int pageCount() const;
    QPushButton *printButton() const { return m_print; }

    // Prints the receipt shown once on the default printer, then closes.
    // A failure is shown and the window stays open.
    void printClick();

signals:
    void printed(int jobId);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    // Draws the pages at the width of the view (rendered here, at once, so
    // the receipt is there as soon as the window is).
    void renderPages();

    QString m_pdfPath;
    QString m_title;
    QPdfDocument *m_document;
    QScrollArea *m_view;
    QLabel *m_pages;
    int m_renderedWidth = 0;
    QPushButton *m_print;
};
