#include "entry/currentreceipts.h"
#include "ui_entrytab.h"

#include "settings/global.h"
#include "common/apperror.h"
#include "common/dialogs.h"
#include "common/gridmodel.h"
#include "common/screenkeys.h"
#include "data/demodm.h"
#include "data/community.h"
#include "data/householdstore.h"
#include "data/receiptstore.h"
#include "data/schema.h"
#include "data/serials.h"
#include "entry/entryfield.h"
#include "entry/entrytab.h"
#include "entry/receiptfields.h"
#include "entry/zozudexcombobox.h"
#include "print/receiptprint.h"
#include "text/datetext.h"
#include "text/numtext.h"
#include "text/textlimits.h"

#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableView>

namespace {

const QString kCategory = Schema::kReceiptCategory;
const QString kZero = QStringLiteral("0");

QString moneyText(const QVariant &v)
{
    return FormatMoney(v.toDouble());
}

QString numberText(const QVariant &v)
{
    return FloatToText(v.toDouble());
}

QString dateText(const QVariant &v)
{
    return TReceiptFields::shownDate(v.toString());
}

} // namespace

TCurrentReceipts::TCurrentReceipts(TEntryTab *tab, QObject *parent)
    : QObject(parent), m_tab(tab), m_list(new TGridModel(this)), m_fields(std::make_unique<TReceiptFields>(tab))
{
    auto num = [](const QString &f, const QString &t, int w) {
        return TGridModel::Column{f, t, w, numberText};
    };
    m_list->setColumns({
        {QStringLiteral("pxxh"), QStringLiteral("序号"), 36, {}},
        {QStringLiteral("sjxh"), QStringLiteral("收据序号"), 80, {}}, // eight digits need a little more than 69 in this font
        {QStringLiteral("rq"), QStringLiteral("日期"), 83, dateText},
        {QStringLiteral("bhh"), QStringLiteral("户号"), 103, {}},
        {QStringLiteral("bhmc"), QStringLiteral("户名"), 93, {}},
        {QStringLiteral("cost"), QStringLiteral("总金额"), 151, moneyText},
        {QStringLiteral("fkzt"), QStringLiteral("付款状态"), 64, {}},
        num(QStringLiteral("sccjd"), QStringLiteral("上月电费抄表数"), 113),
        num(QStringLiteral("bccjd"), QStringLiteral("本月电费抄表数"), 107),
        num(QStringLiteral("cjdl"), QStringLiteral("本月用电量"), 94),
        num(QStringLiteral("dj"), QStringLiteral("电费单价"), 68),
        num(QStringLiteral("jed"), QStringLiteral("用电金额"), 73),
        num(QStringLiteral("sccjds"), QStringLiteral("上月抄水量"), 84),
        num(QStringLiteral("bccjds"), QStringLiteral("本月抄水量"), 83),
        num(QStringLiteral("cjdls"), QStringLiteral("本月水用量"), 83),
        num(QStringLiteral("djs"), QStringLiteral("水费单价"), 60),
        num(QStringLiteral("jes"), QStringLiteral("本月水费"), 83),
        {QStringLiteral("yf"), QStringLiteral("月份"), 40, {}},
    });

    Ui::TEntryTab *f = form();
    QTableView *grid = f->OrderDDbg;
    m_list->setRowMark(QStringLiteral("fkzt"), QStringLiteral("未付款"));
    m_list->showIn(grid);
    m_grid = grid;
    grid->installEventFilter(this);
    ScreenKeys::onCtrlDelete(grid, this, [this] { deleteSelectedRow(); });
    ScreenKeys::addGridAction(grid, QStringLiteral("收款"), QStringLiteral("OrderDDbgCollect"), this, [this] {
        if (const int row = selectedRow(); row >= 0)
            emit collectRequested(m_list->fieldValue(row, QStringLiteral("sjxh")).toString(),
                                  m_list->fieldValue(row, QStringLiteral("lbmc")).toString());
    });

    connect(grid, &QTableView::doubleClicked, this, [this] { OrderDDbgDblClick(); });
    connect(f->SpeedButton1, &QPushButton::clicked, this, &TCurrentReceipts::SpeedButton1Click);
    connect(f->SpeedButton4, &QPushButton::clicked, this, &TCurrentReceipts::SpeedButton4Click);
    connect(f->SpeedButton3, &QPushButton::clicked, this, &TCurrentReceipts::SpeedButton3Click);
    connect(f->SpeedButton10, &QPushButton::clicked, this, &TCurrentReceipts::SpeedButton10Click);
    setLoadedMode(false);
}

TCurrentReceipts::~TCurrentReceipts()
{
    if (m_grid)
        m_grid->removeEventFilter(this);
}

Ui::TEntryTab *TCurrentReceipts::form() const
{
    return m_tab->ui;
}

void TCurrentReceipts::setLoadedMode(bool loaded)
{
    m_loaded = loaded;
    form()->SpeedButton1->setEnabled(!loaded);
    form()->SpeedButton4->setEnabled(loaded);
}

int TCurrentReceipts::selectedRow() const
{
    const QModelIndex i = form()->OrderDDbg->currentIndex();
    if (i.isValid())
        return i.row();
    return m_list->rowCount() > 0 ? 0 : -1;
}

// ------------------------------------------------------------------ list

void TCurrentReceipts::OpenCurrentReceipts()
{
    TNamedQuery &q = DemoDM().P_OrderDADS;
    Receipts::openList(q);
    if (m_list->sourceModel() != q.model())
        m_list->setSourceModel(q.model());
    if (m_list->rowCount() > 0)
        form()->OrderDDbg->setCurrentIndex(m_list->index(0, 0));
    updateFooter();
}

void TCurrentReceipts::updateFooter()
{
    form()->OrderDDbgFooter->setText(FormatMoney(Receipts::currentTotal(DemoDM())));
}

bool TCurrentReceipts::eventFilter(QObject *watched, QEvent *event)
{
    // Compared with the pointer kept here: the grid sends events while it
    // is destroyed, when the form that names it may be gone already.
    if (watched == m_grid.data() && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (ScreenKeys::isEnter(key)) {
            OrderDDbgDblClick();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void TCurrentReceipts::deleteSelectedRow()
{
    TFieldEvents::run([this] {
        const int row = selectedRow();
        if (!ScreenKeys::confirmDeleteRow(row))
            return;
        const qint64 iid = m_list->fieldValue(row, QStringLiteral("iid")).toLongLong();
        {
            DbTransaction tx;
            Receipts::removeRow(DemoDM(), iid);
            tx.commit();
        }
        OpenCurrentReceipts();
    });
}

// ------------------------------------------------------------ helpers

bool TCurrentReceipts::checkFields(bool newSave)
{
    Ui::TEntryTab *f = form();
    auto stop = [](const QString &message, QWidget *focus = nullptr) {
        if (!message.isEmpty())
            Dialogs::message(message);
        if (focus)
            focus->setFocus();
        return false;
    };
    // The receipt checks that printing runs too, in the order of a save.
    auto passes = [&](const QList<ReceiptCheckName> &names) {
        const ReceiptCheck check = RunReceiptChecks(names, m_tab->printData());
        if (check.passed)
            return true;
        stop(check.message);
        m_tab->focusField(check.focus);
        return false;
    };
    using N = ReceiptCheckName;
    if (!passes({N::DateGiven}))
        return false;
    if (newSave && f->Edit37->text().isEmpty())
        f->Edit37->setFieldText(kZero);
    if (!passes({N::TotalGiven, N::NameGiven, N::DateReadable, N::ReadingGiven, N::LastReadingGiven, N::UsageGiven}))
        return false;
    if (newSave && (f->Edit27->value() < 0 || f->Edit32->value() < 0))
        return stop(QStringLiteral("用量为负数不能保存"));
    if (!passes({N::PriceGiven, N::WaterGiven, N::MonthForm}))
        return false;
    // The payee and the meter reader go into the settings file, which holds
    // GBK text only: a character outside it would come back as "?".
    for (const auto &[combo, caption] : {std::pair<QComboBox *, QString>{f->cbskr, QStringLiteral("收款人")},
                                         std::pair<QComboBox *, QString>{f->cbcbr, QStringLiteral("抄表人")}}) {
        const QString outside = CharactersOutsideGbk(combo->currentText());
        if (!outside.isEmpty())
            return stop(OutsideGbkMessage(caption, outside), combo);
    }
    if (newSave) {
        const QString year = f->Edit4->text();
        if (!year.isEmpty() && year.size() != 4)
            return stop(QStringLiteral("电费年份格式不对长度应为4位比如2011"));
        if (f->Edit37->value() == 0
            && !Dialogs::question(QStringLiteral("房租为零，您确定要保存吗？"), Dialogs::kAskCaption))
            return false;
    }
    return true;
}

void TCurrentReceipts::rememberFees()
{
    Ui::TEntryTab *f = form();
    Households::rememberFees(DemoDM(), f->edit41->currentText(), {f->Edit36->value(), f->Edit37->value()});
}

void TCurrentReceipts::updateHousehold()
{
    Ui::TEntryTab *f = form();
    Households::saveReadings(DemoDM(), f->Edit20->text(), f->edit41->currentText(), f->edit2->currentText(),
                             {f->Edit21->value(), f->Edit30->value()});
}

void TCurrentReceipts::insertReceipt(const QString &serial)
{
    ReceiptRow row = m_fields->read();
    row.sjxh = serial;
    row.bzsm1 = row.nf + QStringLiteral("年") + row.yf + QStringLiteral("月电费");
    Receipts::insert(DemoDM(), row);
}

int TCurrentReceipts::updateReceipt(const QString &serial)
{
    ReceiptRow row = m_fields->read();
    row.sjxh = serial;
    // A changed receipt has always been stored with one space here.
    row.zg = row.kj = QStringLiteral(" ");
    return Receipts::update(DemoDM(), row);
}

// The number shown after a new save has been committed: the counter plus one.
void TCurrentReceipts::advanceNumber()
{
    const qint64 counter = Serials::ReadCounter(DemoDM(), form()->cblb->currentText());
    if (counter > 0)
        form()->Edit3->setFieldText(Serials::SerialText(counter + 1));
}

// The form after a save: no household, every amount back to "0", the
// payee and the unit prices last used.
void TCurrentReceipts::resetAfterSave(bool reopenPickers)
{
    TGlobal &g = Global();
    m_tab->setHouseholdPickerActive(false);
    m_fields->reset({g.str_dj, g.str_djs, std::nullopt, g.str_skr, kCategory});
    if (reopenPickers)
        m_tab->ReopenPickerLists();
}

// Both saves: the category, the community every receipt is stored with,
// and the category setting.
void TCurrentReceipts::prepareSave()
{
    Ui::TEntryTab *f = form();
    TReceiptFields::setComboText(f->cblb, kCategory);
    f->edit2->setEditText(kCommunity);
    Global().strsjlx = f->cblb->currentText();
}

void TCurrentReceipts::zeroEmptyFees()
{
    Ui::TEntryTab *f = form();
    if (f->Edit36->text().isEmpty())
        f->Edit36->setFieldText(kZero);
    if (f->Edit37->text().isEmpty())
        f->Edit37->setFieldText(kZero);
}

// The form after a deletion and for a new receipt: no household, every
// amount back to "0", the unit prices last used (and today's date).
void TCurrentReceipts::resetForm(bool dateToday)
{
    TGlobal &g = Global();
    m_tab->setHouseholdPickerActive(false);
    std::optional<QString> today;
    if (dateToday)
        today = DateText::fromDate(DateText::today());
    m_fields->reset({g.str_dj, g.str_djs, today, std::nullopt, std::nullopt});
}

// ------------------------------------------------------------ new save

void TCurrentReceipts::SpeedButton1Click()
{
    TFieldEvents::run([this] { doSaveNew(); });
}

void TCurrentReceipts::doSaveNew()
{
    Ui::TEntryTab *f = form();
    TGlobal &g = Global();
    TDemoDM &dm = DemoDM();

    prepareSave();

    if (!checkFields(true))
        return;
    // Past the last eight-digit number there is none to offer.
    if (f->Edit3->text().isEmpty()) {
        Dialogs::message(Serials::kSerialsUsedUp);
        return;
    }

    g.str_skr = f->cbskr->currentText();
    g.str_cbr = f->cbcbr->currentText();
    g.str_dj = f->Edit28->text();
    g.WriteSettings();

    zeroEmptyFees();

    const QString name = f->edit41->currentText();
    const QString category = f->cblb->currentText();
    // The number the receipt is stored under. The form shows it (the print
    // reads it there) but goes back to the number it showed unless the
    // receipt is committed: a failed save leaves the form as it was typed.
    const QString shownSerial = f->Edit3->text();
    bool stored = false;
    QString refusal;
    struct ShownSerial
    {
        TEntryField *field;
        const QString &text;
        const bool &stored;
        ~ShownSerial()
        {
            if (!stored && field->text() != text) {
                const QSignalBlocker block(field);
                field->setText(text);
            }
        }
    } restore{f->Edit3, shownSerial, stored};
    {
        DbTransaction tx(dm);
        rememberFees();

        // One receipt per household and month. A refusal is a check, not
        // a failure: the remembered fees stay.
        const QString nf = f->Edit4->text(), yf = f->cbyf->currentText();
        if (Receipts::hasPeriod(dm, Receipts::Table::Current, nf, yf, name)) {
            tx.commit();
            Dialogs::message(QStringLiteral("该用户的的电费数据，在本月已经录入了，请在列表框中找到此用户，双击可直接修改！"));
            return;
        }
        if (Receipts::hasPeriod(dm, Receipts::Table::History, nf, yf, name)) {
            tx.commit();
            Dialogs::message(QStringLiteral("历史数据表中已经存在此用户本月的记录了，请到历史单据查询界面，先删除本月用户记录,再重新录入！"));
            return;
        }

        m_tab->BitBtn2Click();
        refusal = amountRefusal();
        if (refusal.isEmpty()) {
            updateHousehold();

            // A number already used by another receipt is never reused.
            QString serial = shownSerial;
            if (Serials::IsSerialIssued(dm, serial, category))
                serial = Serials::FreeSerial(dm, category);
            if (f->Edit3->text() != serial)
                f->Edit3->setFieldText(serial);

            if (g.strdyf == QStringLiteral("Y")) {
                if (!m_services.printReceipt || !m_services.printReceipt()) {
                    tx.commit(); // the steps before the print stay; the receipt is not stored
                    return;
                }
            }

            insertReceipt(serial);
            Serials::IssueSerial(dm, serial, category);
            Serials::RenumberCurrentReceipts(dm);
            tx.commit();
            stored = true;
        }
    }
    if (!refusal.isEmpty()) {
        Dialogs::message(refusal);   // rolled back: nothing of this save is kept
        return;
    }
    advanceNumber();
    OpenCurrentReceipts();
    resetAfterSave(true);
}

// The first amount of the receipt that a money column cannot hold, as the
// message that refuses the save; empty when every amount fits.
QString TCurrentReceipts::amountRefusal() const
{
    Ui::TEntryTab *f = form();
    for (TEntryField *e : {f->Edit28, f->Edit29, f->Edit33, f->Edit34, f->Edit36, f->Edit37, f->Edit35})
        if (!FitsMoneyColumn(e->value()))
            return QStringLiteral("%1超出能保存的范围（整数部分最多15位），单据没有保存").arg(e->caption());
    return QString();
}

// ------------------------------------------------------ modification

void TCurrentReceipts::SpeedButton4Click()
{
    TFieldEvents::run([this] { doSaveLoaded(); });
}

void TCurrentReceipts::doSaveLoaded()
{
    Ui::TEntryTab *f = form();
    TGlobal &g = Global();
    TDemoDM &dm = DemoDM();

    prepareSave();

    if (!checkFields(false))
        return;

    g.str_skr = f->cbskr->currentText();
    g.str_cbr = f->cbcbr->currentText();

    zeroEmptyFees();

    const QString category = f->cblb->currentText();
    const QString serial = f->Edit3->text();
    QString refusal;
    {
        DbTransaction tx(dm);
        rememberFees();
        m_tab->BitBtn2Click();
        refusal = amountRefusal();
        if (refusal.isEmpty()) {
            updateHousehold();

            const bool issued = Serials::IsSerialIssued(dm, serial, category);
            // A receipt that is gone (deleted or archived meanwhile) keeps
            // nothing of the change: better said than lost.
            if (updateReceipt(serial) == 0)
                throw AppError(QStringLiteral("单据号为%1的单据已不在当前单据中，修改没有保存").arg(serial));
            if (!issued) {
                // A receipt whose number was never registered: register it now,
                // so that the number is never offered to another receipt.
                const qint64 number = Serials::SerialNumber(serial);
                if (number > Serials::ReadCounter(dm, category))
                    Serials::IssueSerial(dm, serial, category); // registers it and raises the counter
                else
                    Serials::RegisterSerial(dm, serial, category);
            }
            Serials::RenumberCurrentReceipts(dm);
            tx.commit();
        }
    }
    if (!refusal.isEmpty()) {
        Dialogs::message(refusal);
        return;
    }
    // Only now, with the change committed, does the form move on (to a new
    // receipt with the next number).
    OpenCurrentReceipts();
    resetAfterSave(false);
    doNewReceipt();
}

// ----------------------------------------------------------- deletion

void TCurrentReceipts::SpeedButton3Click()
{
    TFieldEvents::run([this] { doDelete(); });
}

void TCurrentReceipts::doDelete()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    const QString sjxh = m_list->fieldValue(row, QStringLiteral("sjxh")).toString();
    const QString lbmc = m_list->fieldValue(row, QStringLiteral("lbmc")).toString();
    const QString bhh = m_list->fieldValue(row, QStringLiteral("bhh")).toString();
    const QString bhmc = m_list->fieldValue(row, QStringLiteral("bhmc")).toString();
    if (!Dialogs::question(QStringLiteral("您确定要删除单据号为：") + sjxh + QStringLiteral("的数据吗？"), Dialogs::kAskCaption))
        return;

    TDemoDM &dm = DemoDM();
    {
        DbTransaction tx(dm);
        Receipts::removeKeepingCopy(dm, sjxh, lbmc);
        // A household left without any receipt starts again from readings 0.
        // A household without a number is known by its name.
        const bool current = Receipts::hasHousehold(dm, Receipts::Table::Current, bhh, bhmc);
        const bool history = Receipts::hasHousehold(dm, Receipts::Table::History, bhh, bhmc);
        if (!current && !history)
            Households::clearReadings(dm, bhh, bhmc);
        tx.commit();
    }
    OpenCurrentReceipts();

    setLoadedMode(false);
    resetForm(false);
    doNewReceipt();
}

// --------------------------------------------------------- new receipt

void TCurrentReceipts::SpeedButton10Click()
{
    TFieldEvents::run([this] { doNewReceipt(); });
}

void TCurrentReceipts::doNewReceipt()
{
    Ui::TEntryTab *f = form();
    setLoadedMode(false);
    f->Edit3->setFieldText(Serials::NextReceiptSerial(DemoDM(), f->cblb->currentText()));
    resetForm(true);
    f->cbyf->setEditText(QStringLiteral("%1").arg(DateText::today().month(), 2, 10, QLatin1Char('0')));
}

// -------------------------------------------------------------- loading

void TCurrentReceipts::OrderDDbgDblClick()
{
    TFieldEvents::run([this] { doLoad(); });
}

void TCurrentReceipts::doLoad()
{
    const int selected = selectedRow();
    if (selected < 0)
        return;
    Ui::TEntryTab *f = form();
    const QString sjxh = m_list->fieldValue(selected, QStringLiteral("sjxh")).toString();
    const QString lbmc = m_list->fieldValue(selected, QStringLiteral("lbmc")).toString();

    m_tab->setHouseholdPickerActive(false);
    f->edit2->setEditText(QString());
    f->edit41->setEditText(QString());
    f->Edit9->clear();
    f->Edit33->clearField();
    f->cbskr->setEditText(QString());
    TReceiptFields::setComboText(f->cblb, kCategory);
    TReceiptFields::setComboText(f->cbfk, m_list->fieldValue(selected, QStringLiteral("fkzt")).toString());

    // Read the whole row first: the field handlers run statements of their own.
    const std::optional<ReceiptRow> row = Receipts::load(DemoDM(), sjxh, lbmc);
    if (!row)
        return;
    m_fields->write(*row, [this] { m_tab->BitBtn2Click(); });
    setLoadedMode(true);
}
