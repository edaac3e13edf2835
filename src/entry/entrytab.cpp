#include "entry/entrytab.h"
#include "ui_entrytab.h"

#include "settings/global.h"
#include "entry/brdateform.h"
#include "common/apperror.h"
#include "common/dialogs.h"
#include "data/demodm.h"
#include "data/householdlookup.h"
#include "data/billingstore.h"
#include "data/householdstore.h"
#include "data/receiptcalc.h"
#include "data/receiptstore.h"
#include "data/serials.h"
#include "entry/entryfield.h"
#include "entry/receiptfields.h"
#include "common/lengthlimit.h"
#include "common/screenkeys.h"
#include "entry/zozudexcombobox.h"
#include "text/capital.h"
#include "text/datetext.h"
#include "text/keyfilter.h"
#include "text/numtext.h"
#include "text/rounding.h"
#include "text/textlimits.h"


#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QSignalBlocker>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTableView>
#include <memory>

namespace {

const QString kZero = QStringLiteral("0");
// Lengths of the receipt columns the text fields are stored in.
constexpr int kNameLength = 100;    // bhmc
constexpr int kNumberLength = 30;   // bhh
constexpr int kPayeeLength = 20;    // skr
constexpr int kReaderLength = 255;  // cbr
const QString kMonthLengthMessage = QStringLiteral("电费月份格式不对长度应为2位比如01");

} // namespace

TEntryTab::TEntryTab(QWidget *parent) : QWidget(parent), ui(new Ui::TEntryTab)
{
    ui->setupUi(this);
    m_fields = std::make_unique<const TReceiptFields>(this);
    wireFields();
    wirePicker();

    QTableView *grid = ui->OrderDDbg;
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    grid->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    grid->setToolTip(QStringLiteral("双击一条记录可以显示收据明细"));

    // The buttons whose work is done elsewhere say so.
    connect(ui->SpeedButton9, &QPushButton::clicked, this, &TEntryTab::previewRequested);
    connect(ui->BitBtn13, &QPushButton::clicked, this, &TEntryTab::printRequested);
    connect(ui->SpeedButton20, &QPushButton::clicked, this, &TEntryTab::archiveRequested);
}

ReceiptPrintData TEntryTab::printData() const
{
    ReceiptPrintData d;
    for (const TReceiptFields::Field &field : m_fields->fields())
        if (QString *text = d.field(field.name))
            *text = TReceiptFields::shownText(field.widget);
    return d;
}

void TEntryTab::resetStartFields(const QString &title)
{
    Ui::TEntryTab *f = ui;
    for (TEntryField *e : {f->Edit20, f->Edit21, f->Edit22, f->Edit27, f->Edit28, f->Edit31, f->Edit32, f->Edit33})
        e->clearField();
    f->Edit9->clear();
    f->Edit29->setFieldText(QStringLiteral("0"));
    f->Edit30->setFieldText(QStringLiteral("0"));
    f->edit41->setCompleter(nullptr);
    f->edit2->setCompleter(nullptr);

    f->Edit14->setText(title);
}

void TEntryTab::setCategory(const QString &category)
{
    ui->cblb->setCurrentText(category);
}

void TEntryTab::showNextSerial(const QString &category)
{
    ui->Edit3->setFieldText(Serials::NextReceiptSerial(DemoDM(), category));
}

void TEntryTab::setPaymentState(const QString &state)
{
    ui->cbfk->setCurrentText(state);
}

namespace {

// Empties the combo (text and items) and lists the names; filling the list
// does not change the text, which is set afterwards.
void fillNames(QComboBox *combo, const QStringList &names)
{
    {
        const QSignalBlocker block(combo);
        combo->clear();
        combo->addItems(names);
        combo->setCurrentIndex(-1);
    }
    combo->setEditText(QString());
}

} // namespace

void TEntryTab::setEmployees(const QStringList &payees, const QStringList &readers,
                             const QString &payee, const QString &reader)
{
    fillNames(ui->cbskr, payees);
    fillNames(ui->cbcbr, readers);
    ui->cbcbr->setEditText(reader);
    ui->cbskr->setEditText(payee);
}

void TEntryTab::setReceiptDate(const QDate &date)
{
    ui->Edit1->setFieldText(DateText::fromDate(date));
}

void TEntryTab::clearPickers()
{
    ui->edit2->clear();
    ui->edit2->setEditText(QString());
    ui->edit41->clear();
    ui->edit41->setEditText(QString());
    ui->Edit9->clear();
}

void TEntryTab::setUnitPrices(const QString &electricity, const QString &water)
{
    ui->Edit28->setFieldText(electricity);
    ui->Edit33->setFieldText(water);
}

void TEntryTab::setBillingPeriod(int year, int month)
{
    ui->Edit4->setFieldText(QString::number(year));
    ui->cbyf->setEditText(QStringLiteral("%1").arg(month, 2, 10, QLatin1Char('0')));
}

void TEntryTab::setAreaText(const QString &area)
{
    ui->edit2->setEditText(area);
}

void TEntryTab::focusField(const QString &name)
{
    if (name.isEmpty())
        return;
    if (auto *w = findChild<QWidget *>(name))
        w->setFocus();
}

void TEntryTab::selectListedReceipt(int row)
{
    if (row >= 0)
        ui->OrderDDbg->setCurrentIndex(ui->OrderDDbg->model()->index(row, 0));
    ui->OrderDDbg->setFocus();
}

TEntryTab::~TEntryTab()
{
    // The controls go first, while the form that names them still exists:
    // a control being destroyed still sends events (focus out, hide) to the
    // filters watching it, and those look the control up in the form.
    m_current = nullptr;
    for (QWidget *w : findChildren<QWidget *>())
        w->removeEventFilter(this);
    qDeleteAll(findChildren<QWidget *>(Qt::FindDirectChildrenOnly));
    delete ui;
    ui = nullptr;
}

// ---------------------------------------------------------------- wiring

void TEntryTab::wireFields()
{
    Ui::TEntryTab *f = ui;
    m_setR = {f->Edit21, f->Edit22, f->Edit27, f->Edit28, f->Edit29, f->Edit30, f->Edit31, f->Edit32, f->Edit33, f->Edit34};
    m_setRL = m_setR + QList<TEntryField *>{f->Edit8, f->Edit24};
    m_setRLF = m_setRL + QList<TEntryField *>{f->Edit36, f->Edit37};

    // Change handlers: the bodies run inside the field mechanism, which
    // runs them nested when one handler sets another field.
    auto usage = [this](TEntryField *use, TEntryField *now, TEntryField *before, const QList<TEntryField *> *set) {
        return [=, this] { doZeroFill(*set); usageFromReadings(use, now, before); };
    };
    auto usageLoss = [this](TEntryField *use, TEntryField *now, TEntryField *before, TEntryField *loss) {
        return [=, this] { doZeroFill(m_setRL); usageWithLoss(use, now, before, loss); };
    };
    auto amount = [this](TEntryField *amt, TEntryField *price, TEntryField *use, const QList<TEntryField *> *set) {
        return [=, this] { doZeroFill(*set); amountOf(amt, price, use); };
    };
    m_bodies.insert(f->Edit21, usage(f->Edit27, f->Edit21, f->Edit22, &m_setRL));
    m_bodies.insert(f->Edit22, usage(f->Edit27, f->Edit21, f->Edit22, &m_setRL));
    m_bodies.insert(f->Edit8, usageLoss(f->Edit27, f->Edit21, f->Edit22, f->Edit8));
    m_bodies.insert(f->Edit27, amount(f->Edit29, f->Edit28, f->Edit27, &m_setRL));
    m_bodies.insert(f->Edit28, amount(f->Edit29, f->Edit28, f->Edit27, &m_setRL));
    m_bodies.insert(f->Edit30, usage(f->Edit32, f->Edit30, f->Edit31, &m_setR));
    m_bodies.insert(f->Edit31, usage(f->Edit32, f->Edit30, f->Edit31, &m_setR));
    m_bodies.insert(f->Edit24, usageLoss(f->Edit32, f->Edit30, f->Edit31, f->Edit24));
    m_bodies.insert(f->Edit32, amount(f->Edit34, f->Edit33, f->Edit32, &m_setR));
    m_bodies.insert(f->Edit33, amount(f->Edit34, f->Edit33, f->Edit32, &m_setRL));
    for (TEntryField *amt : {f->Edit29, f->Edit34, f->Edit36, f->Edit37})
        m_bodies.insert(amt, [this] { doZeroFill(m_setRLF); totalOfAmounts(); });
    m_bodies.insert(f->Edit35, [this] {
        if (ui->Edit35->text().isEmpty())
            return;
        ui->Edit9->setText(AmountToCapital(ui->Edit35->text()));
        ui->Edit35->setFieldText(FormatMoney(ui->Edit35->value()));
    });
    for (auto it = m_bodies.cbegin(); it != m_bodies.cend(); ++it)
        it.key()->setChangeHandler(it.value());
    const QList<std::pair<TEntryField *, QString>> captions{
        {f->Edit21, QStringLiteral("电费本月抄表数")}, {f->Edit22, QStringLiteral("电费上月抄表数")},
        {f->Edit8, QStringLiteral("电费损耗")},         {f->Edit27, QStringLiteral("用电量")},
        {f->Edit28, QStringLiteral("电费单价")},       {f->Edit29, QStringLiteral("用电金额")},
        {f->Edit30, QStringLiteral("水费本月抄表数")}, {f->Edit31, QStringLiteral("水费上月抄表数")},
        {f->Edit24, QStringLiteral("水费损耗")},       {f->Edit32, QStringLiteral("用水量")},
        {f->Edit33, QStringLiteral("水费单价")},       {f->Edit34, QStringLiteral("水费金额")},
        {f->Edit36, QStringLiteral("其它费用")},       {f->Edit37, QStringLiteral("房租费用")},
        {f->Edit35, QStringLiteral("总金额")}};
    for (const auto &[field, caption] : captions)
        field->setCaption(caption);
    connect(f->cbskr, &QComboBox::currentTextChanged, this, [this] { cbskrChange(); });
    connect(f->BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    connect(f->BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });

    // Enter moves along these chains.
    const QList<QWidget *> chain = {f->Edit1, f->Edit3, f->Edit4, f->cbyf, f->edit41};
    m_enterChain.add(chain);
    const QList<QWidget *> receipt = {f->Edit20, f->Edit21, f->Edit22, f->Edit8, f->Edit27, f->Edit28, f->Edit29,
                                      f->Edit30, f->Edit31, f->Edit24, f->Edit32, f->Edit33, f->Edit34, f->Edit36,
                                      f->Edit37, f->BitBtn2};
    m_enterChain.add(receipt);

    m_filtered = {f->Edit4, f->cbyf, f->Edit21, f->Edit22, f->Edit8, f->Edit27, f->Edit28, f->Edit29,
                  f->Edit30, f->Edit31, f->Edit24, f->Edit32, f->Edit33, f->Edit36, f->Edit37};
    // These turn yellow while entered; the enter and exit handlers mark them.
    for (QWidget *w : QList<QWidget *>{f->Edit1, f->Edit3, f->Edit4, f->cbyf, f->edit41, f->Edit20, f->Edit21,
                                       f->Edit22, f->Edit27, f->Edit28, f->Edit29, f->Edit30, f->Edit31,
                                       f->Edit32, f->Edit33})
        m_highlight->add(w);

    // Text fields take what their columns hold.
    TLengthLimit::apply(f->edit41->lineEdit(), kNameLength, QStringLiteral("户名"));
    TLengthLimit::apply(f->Edit20, kNumberLength, QStringLiteral("户号"));
    TLengthLimit::apply(f->cbskr->lineEdit(), kPayeeLength, QStringLiteral("收款人"));
    TLengthLimit::apply(f->cbcbr->lineEdit(), kReaderLength, QStringLiteral("抄表人"));

    QList<QWidget *> watched = chain + receipt;
    watched.removeAll(f->BitBtn2);
    for (QWidget *w : watched)
        w->installEventFilter(this);
}

void TEntryTab::wirePicker()
{
    Ui::TEntryTab *f = ui;
    TZozudExComboBox *picker = f->edit41;
    picker->setDataGridWidth(300);
    picker->setDataGridHeight(300);
    picker->setColumns({{QStringLiteral("hh"), QStringLiteral("户号"), 100}, {QStringLiteral("hm"), QStringLiteral("户名"), 80}});
    picker->setSelectField(QStringLiteral("hmpy"));

    TZozudExComboBox *community = f->edit2;
    community->setDataGridWidth(300);
    community->setDataGridHeight(300);
    community->setColumns({{QStringLiteral("cmc"), QStringLiteral("社区名"), 160}});
    community->setSelectField(QStringLiteral("cmcpy"));

    if (TDemoDM *dm = TDemoDM::instance()) {
        picker->setDataSource(dm->ADOQuery2.model());
        community->setDataSource(dm->ADOQuery1.model());
    }
    connect(picker, &TZozudExComboBox::rowPicked, this, &TEntryTab::runPick);
    connect(picker, &TZozudExComboBox::closedUp, this, [this] { afterPickerClosed(); });
}

QWidget *TEntryTab::enterTarget(QWidget *field) const
{
    return m_enterChain.next(field);
}

bool TEntryTab::isFiltered(QWidget *field) const
{
    return m_filtered.contains(field);
}

// ---------------------------------------------------------------- events

bool TEntryTab::eventFilter(QObject *watched, QEvent *event)
{
    auto *w = qobject_cast<QWidget *>(watched);
    if (!w)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::FocusIn: {
        // A window coming back or a pop-up closing returns the focus to the
        // field that had it: that is no new entering.
        if (w == m_current)
            break;
        if (m_current)
            fieldExited(m_current);
        fieldEntered(w);
        break;
    }
    case QEvent::FocusOut: {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason)
            break;
        if (w != m_current)
            break;
        fieldExited(w);
        break;
    }
    case QEvent::KeyPress:
        return fieldKeyPress(w, static_cast<QKeyEvent *>(event));
    case QEvent::InputMethod:
        return isFiltered(w) && filterCommittedText(w, static_cast<QInputMethodEvent *>(event));
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void TEntryTab::fieldEntered(QWidget *field)
{
    m_current = field;
    Ui::TEntryTab *f = ui;
    if (field == f->Edit1)
        Edit1Enter();
    else if (field == f->edit41)
        edit41Enter();
    else if (field == f->Edit20)
        Edit20Enter();
    else if (field == f->Edit29)
        Edit29Enter();
    else if (field == f->Edit30)
        Edit30Enter();
    else
        m_highlight->mark(field, true);
}

void TEntryTab::fieldExited(QWidget *field)
{
    if (m_current == field)
        m_current = nullptr;
    Ui::TEntryTab *f = ui;
    if (field == f->Edit1)
        Edit1Exit();
    else if (field == f->cbyf)
        cbyfExit();
    else if (field == f->edit41)
        edit41Exit();
    else if (field == f->Edit27)
        Edit27Exit();
    else if (field == f->Edit32)
        Edit32Exit();
    else
        m_highlight->mark(field, false);
}

bool TEntryTab::fieldKeyPress(QWidget *field, QKeyEvent *event)
{
    const int key = event->key();
    const bool enter = ScreenKeys::isEnter(event);
    if (field == ui->edit41) {
        if (!enter)
            return false;
        QChar c(13);
        edit41KeyPress(c);
        return true;
    }
    if (enter) {
        m_enterChain.advance(field);
        if (isFiltered(field)) {
            QChar c(13);
            FilterNumericKey(c);   // swallows Enter with a beep
        }
        return true;
    }
    if (!isFiltered(field))
        return false;
    // Shortcuts (copy, paste, select all) and focus keys are no typing.
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab)
        return false;
    const QString text = event->text();
    if (IsEditingKeyText(text))
        return false;   // Delete, Escape, arrows: editing, not typing
    QChar c = text.at(0);
    FilterNumericKey(c);
    return c.isNull();
}

// Text an input method commits is typed text too: it goes through the
// numeric filter. What passes is committed in its place.
bool TEntryTab::filterCommittedText(QWidget *field, QInputMethodEvent *event)
{
    const QString committed = event->commitString();
    if (committed.isEmpty())
        return false;
    const QString kept = FilterNumericText(committed);
    if (kept == committed)
        return false;
    QInputMethodEvent replacement(event->preeditString(), event->attributes());
    replacement.setCommitString(kept, event->replacementStart(), event->replacementLength());
    QCoreApplication::sendEvent(field, &replacement);
    return true;
}

// ---------------------------------------------------------------- computations

void TEntryTab::doZeroFill(const QList<TEntryField *> &set)
{
    for (TEntryField *field : set)
        if (field->text().isEmpty())
            field->setFieldText(kZero);
}

void TEntryTab::usageFromReadings(TEntryField *usage, TEntryField *thisMonth, TEntryField *lastMonth)
{
    usage->setValue(thisMonth->value() - lastMonth->value());
}

void TEntryTab::usageWithLoss(TEntryField *usage, TEntryField *thisMonth, TEntryField *lastMonth, TEntryField *loss)
{
    usage->setValue(ReceiptCalc::usageWithLoss(thisMonth->value(), lastMonth->value(), loss->value()));
    usage->setValue(ReceiptCalc::roundToTenth(usage->value()));
}

void TEntryTab::amountOf(TEntryField *amount, TEntryField *price, TEntryField *usage)
{
    amount->setValue(ReceiptCalc::amountOf(price->value(), usage->value()));
    amount->setValue(ReceiptCalc::roundToTenth(amount->value()));
}

void TEntryTab::totalOfAmounts()
{
    Ui::TEntryTab *f = ui;
    f->Edit35->setValue(ReceiptCalc::totalOf(f->Edit29->value(), f->Edit34->value(), f->Edit36->value(), f->Edit37->value()));
}

void TEntryTab::doTotalComputation()
{
    Ui::TEntryTab *f = ui;
    doZeroFill(m_setR);
    usageWithLoss(f->Edit27, f->Edit21, f->Edit22, f->Edit8);
    usageWithLoss(f->Edit32, f->Edit30, f->Edit31, f->Edit24);
    amountOf(f->Edit29, f->Edit28, f->Edit27);
    amountOf(f->Edit34, f->Edit33, f->Edit32);
    if (f->Edit36->text().isEmpty())
        f->Edit36->setFieldText(kZero);
    if (f->Edit37->text().isEmpty())
        f->Edit37->setFieldText(kZero);
    totalOfAmounts();
    f->Edit35->setFieldText(FormatMoney(f->Edit35->value()));
    f->Edit29->setFieldText(FormatMoney(f->Edit29->value()));
    f->Edit34->setFieldText(FormatMoney(f->Edit34->value()));
    if (TGlobal *g = TGlobal::instance())
        g->str_djs = f->Edit33->text();
}

void TEntryTab::cbskrChange()
{
    // A payee the settings file cannot hold is not taken; the save says why.
    const QString text = ui->cbskr->currentText();
    if (!text.isEmpty() && CharactersOutsideGbk(text).isEmpty())
        if (TGlobal *g = TGlobal::instance())
            g->str_skr = text;
}

void TEntryTab::BitBtn2Click()
{
    TFieldEvents::run([this] { doTotalComputation(); });
}

// ---------------------------------------------------------------- focus handlers

void TEntryTab::Edit1Enter()
{
    m_highlight->mark(ui->Edit1, true);
    ui->BitBtn1->show();
}

void TEntryTab::Edit1Exit()
{
    m_highlight->mark(ui->Edit1, false);
    if (QApplication::focusWidget() != ui->BitBtn1)
        ui->BitBtn1->hide();
}

void TEntryTab::BitBtn1Click()
{
    TFieldEvents::run([this] {
        // Made for this use and released afterwards.
        // The calendar opens on today's date, whatever the field holds.
        auto dialog = std::make_unique<TBrDateForm>(this);
        dialog->setDate(DateText::today());
        const bool ok = dialog->exec() == QDialog::Accepted;
        const QDate chosen = dialog->date();
        dialog.reset();
        ui->BitBtn1->hide();
        if (ok)
            ui->Edit1->setFieldText(DateText::fromDate(chosen));
    });
    ui->BitBtn1->hide();
}

void TEntryTab::edit41Enter()
{
    m_highlight->mark(ui->edit41, true);
    m_householdPickerActive = true;
}

void TEntryTab::edit41Exit()
{
    m_highlight->mark(ui->edit41, false);
    TFieldEvents::run([this] { doRememberedFees(); });
}

void TEntryTab::doRememberedFees()
{
    const QString name = ui->edit41->currentText();
    if (name.isEmpty())
        return;
    const std::optional<Households::Fees> fees = Households::rememberedFees(DemoDM(), name);
    if (!fees)
        return;
    ui->Edit36->setFieldText(FloatToText(fees->other));
    ui->Edit37->setFieldText(FloatToText(fees->rent));
}

void TEntryTab::Edit20Enter()
{
    m_highlight->mark(ui->Edit20, true);
    TFieldEvents::run([this] { doPreviousReadings(); });
}

void TEntryTab::doPreviousReadings()
{
    const QString name = ui->edit41->currentText();
    if (name.isEmpty())
        return;
    const Households::Readings last =
        Billing::previousReadings(DemoDM(), name, ui->Edit4->text(), ui->cbyf->currentText());
    const QString electricity = FloatToText(last.electricity);
    const QString water = FloatToText(last.water);
    ui->Edit22->setFieldText(electricity);
    ui->Edit31->setFieldText(water);
}

void TEntryTab::cbyfExit()
{
    m_highlight->mark(ui->cbyf, false);
    const QString month = ui->cbyf->currentText();
    if (!month.isEmpty() && month.size() != 2) {
        ui->cbyf->setFocus(Qt::OtherFocusReason);
        Dialogs::message(kMonthLengthMessage);
    }
}

void TEntryTab::Edit27Exit()
{
    m_highlight->mark(ui->Edit27, false);
    BitBtn2Click();
}

void TEntryTab::Edit32Exit()
{
    m_highlight->mark(ui->Edit32, false);
    BitBtn2Click();
}

void TEntryTab::Edit29Enter()
{
    m_highlight->mark(ui->Edit29, true);
    if (ui->Edit29->text().isEmpty())
        TFieldEvents::run([this] { ui->Edit29->setFieldText(kZero); });
}

void TEntryTab::Edit30Enter()
{
    m_highlight->mark(ui->Edit30, true);
    if (ui->Edit30->text().isEmpty())
        TFieldEvents::run([this] { ui->Edit30->setFieldText(kZero); });
}

// ---------------------------------------------------------------- household picker

void TEntryTab::edit41KeyPress(QChar &key)
{
    if (key.unicode() != 13)
        return;
    key = QChar(0);
    HouseholdSearch();
}

void TEntryTab::HouseholdSearch()
{
    TFieldEvents::run([this] { doHouseholdSearch(); });
}

void TEntryTab::doHouseholdSearch()
{
    TZozudExComboBox *picker = ui->edit41;
    TNamedQuery &q = DemoDM().ADOQuery2;
    if (picker->dataSource() != q.model())
        picker->setDataSource(q.model());
    HouseholdLookup::open(q, picker->selectField(), picker->currentText());
    if (!q.isEmpty())
        picker->showPopup();
    else
        ui->Edit20->setFocus(Qt::TabFocusReason);
}

void TEntryTab::runPick(int row)
{
    if (!m_householdPickerActive)
        return;
    // A row that cannot be read picks nothing; the list still closes.
    try {
        TNamedQuery &q = DemoDM().ADOQuery2;
        const QString name = q.value(row, QStringLiteral("hm")).toString();
        const QString number = q.value(row, QStringLiteral("hh")).toString();
        ui->edit41->setEditText(name);
        ui->Edit20->setFieldText(number);
    } catch (const AppError &) {
    }
}

void TEntryTab::afterPickerClosed()
{
    // Moving on selects the household number, so typing replaces it.
    if (m_householdPickerActive)
        ui->Edit20->setFocus(Qt::TabFocusReason);
}

void TEntryTab::ReopenPickerLists()
{
    TFieldEvents::run([] {
        Households::openAll(DemoDM().ADOQuery2);
        Households::openCommunities(DemoDM().ADOQuery1);
    });
}
