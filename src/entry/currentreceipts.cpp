#include "entry/currentreceipts.h"
#include "ui_entrytab.h"

#include "app/global.h"
#include "common/apperror.h"
#include "common/dialogs.h"
#include "common/gridmodel.h"
#include "data/demodm.h"
#include "data/schema.h"
#include "data/serials.h"
#include "entry/entryfield.h"
#include "entry/entrytab.h"
#include "entry/zozudexcombobox.h"
#include "text/datetext.h"
#include "text/numtext.h"
#include "text/pinyin.h"
#include "text/textlimits.h"

#include <QComboBox>
#include <QDateTime>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableView>

namespace {

const QString kCategory = Schema::kReceiptCategory;
const QString kPaid = QStringLiteral("已付款");
const QString kZero = QStringLiteral("0");
const QString kSerialsUsedUp = QStringLiteral("收据序号已用完，无法保存新单据");

void setComboText(QComboBox *combo, const QString &text)
{
    if (combo->isEditable()) {
        combo->setEditText(text);
        return;
    }
    int i = combo->findText(text);
    if (i < 0) {
        combo->addItem(text);
        i = combo->count() - 1;
    }
    combo->setCurrentIndex(i);
}

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
    QDateTime dt;
    if (DateText::tryToDateTime(v.toString(), &dt))
        return DateText::fromDateTime(dt);
    return v.toString();
}

} // namespace

TCurrentReceipts::TCurrentReceipts(TEntryTab *tab, QObject *parent)
    : QObject(parent), m_tab(tab), m_list(new TGridModel(this))
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
    m_list->showIn(grid);
    m_grid = grid;
    grid->installEventFilter(this);

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
    return m_tab->form();
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
    q.openWith(QStringLiteral("SELECT * FROM P_OrderD order by iid desc"));
    if (m_list->source() != q.model())
        m_list->setSource(q.model());
    if (m_list->rowCount() > 0)
        form()->OrderDDbg->setCurrentIndex(m_list->index(0, 0));
    updateFooter();
    emit listChanged();
}

void TCurrentReceipts::updateFooter()
{
    TNamedQuery &q = DemoDM().qcount;
    q.openWith(QStringLiteral("select sum(cost) as expr1001 from P_ORDERD"));
    const double total = q.isEmpty() ? 0 : q.value(QStringLiteral("expr1001")).toDouble();
    q.close();
    form()->OrderDDbgFooter->setText(FormatMoney(total));
}

bool TCurrentReceipts::eventFilter(QObject *watched, QEvent *event)
{
    // Compared with the pointer kept here: the grid sends events while it
    // is destroyed, when the form that names it may be gone already.
    if (watched == m_grid.data() && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Delete && (key->modifiers() & Qt::ControlModifier)) {
            deleteSelectedRow();
            return true;
        }
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
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
        if (row < 0)
            return;
        if (!Dialogs::question(QStringLiteral("Delete record?"), Dialogs::kAppTitle))
            return;
        const qint64 iid = m_list->fieldValue(row, QStringLiteral("iid")).toLongLong();
        {
            DbTransaction tx;
            DemoDM().qup.run(QStringLiteral("delete from P_ORDERD where iid= :iid"), {{"iid", iid}});
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
    if (f->Edit1->text().isEmpty())
        return stop(QStringLiteral("单据日期不能为空！"));
    if (newSave && f->Edit37->text().isEmpty())
        f->Edit37->setFieldText(kZero);
    if (f->Edit35->text().isEmpty())
        return stop(QStringLiteral("没有金额！"));
    if (f->edit41->currentText().isEmpty())
        return stop(QStringLiteral("户名信息填写不完整！"));
    if (!DateText::tryToDateTime(f->Edit1->text(), nullptr))
        return stop(QStringLiteral("日期格式不对！"));
    if (f->Edit21->text().isEmpty())
        return stop(QStringLiteral("本月抄表数不能为空！"), f->Edit21);
    if (f->Edit22->text().isEmpty())
        return stop(QStringLiteral("上月抄表数不能为空！"), f->Edit22);
    if (f->Edit27->text().isEmpty())
        return stop(QStringLiteral("用量不能为空！"), f->Edit27);
    if (newSave && (f->Edit27->value() < 0 || f->Edit32->value() < 0))
        return stop(QStringLiteral("用量为负数不能保存"));
    if (f->Edit28->text().isEmpty())
        return stop(QStringLiteral("单价不能为空！"), f->Edit28);
    for (TEntryField *e : {f->Edit30, f->Edit31, f->Edit32})
        if (e->text().isEmpty())
            return stop(QString(), e);
    const QString month = f->cbyf->currentText();
    if (!month.isEmpty() && month.size() != 2)
        return stop(QStringLiteral("电费月份格式不对长度应为2位比如01"));
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
    const QString name = f->edit41->currentText();
    TNamedQuery &q = DemoDM().qcx;
    q.openWith(QStringLiteral("select * from kdfb where hm= :hm "), {{"hm", name}});
    const bool exists = !q.isEmpty();
    q.close();
    const QList<std::pair<QString, QVariant>> binds{
        {"hm", name}, {"kdf", f->Edit36->value()}, {"hzf", f->Edit37->value()}};
    if (exists)
        DemoDM().qins.run(QStringLiteral("update kdfb set kdf= :kdf,hzf= :hzf where hm= :hm "), binds);
    else
        DemoDM().qins.run(QStringLiteral("insert into kdfb(hm,kdf,hzf) values(:hm,:kdf,:hzf)"), binds);
}

void TCurrentReceipts::updateHousehold()
{
    Ui::TEntryTab *f = form();
    const QString name = f->edit41->currentText();
    const qint64 n = DemoDM().qcx.count(QStringLiteral("select count(*) as expr1001 from hhb where hm= :hm "),
                             {{"hm", name}});
    if (n != 0) {
        DemoDM().qins.run(QStringLiteral("update hhb set dd= :dd,dds= :dds where hm= :hm "),
               {{"dd", f->Edit21->value()}, {"dds", f->Edit30->value()}, {"hm", name}});
        return;
    }
    const QString community = f->edit2->currentText();
    DemoDM().qins.run(
           QStringLiteral("insert into hhb(hh,hm,cmc,hmpy,cmcpy,dd,dds,hhpy) values(:hh,:hm,:cmc,:hmpy,:cmcpy,:dd,:dds,:hhpy)"),
           {{"hh", f->Edit20->text()},
            {"hm", name},
            {"cmc", community},
            {"hmpy", PinyinInitials(name)},
            {"cmcpy", PinyinInitials(community)},
            {"dd", f->Edit21->value()},
            {"dds", f->Edit30->value()},
            {"hhpy", PinyinInitials(f->Edit20->text())}});
}

void TCurrentReceipts::insertReceipt(const QString &serial)
{
    Ui::TEntryTab *f = form();
    TNamedQuery &q = DemoDM().qinshz;
    q.close();
    q.clearSql();
    q.addSql(QStringLiteral("insert into p_orderd(BILLID,ITEMNO,GOODSID,QTY,PRICE,TAXRATE,DISC,EXEQTY,STOPED,CANCELED,rq,jkdw,sjxh,sppy,Bzsm,zg,kj,skr,cost,pxxh,lbmc,fkzt,cmc,nf,yf,bzsm1,bhmc,bhh,sccjd,bccjd,bl,cjdl,bdl,hbdl,dj,hjdl "));
    q.addSql(QStringLiteral(" ,cbr,sccjds,bccjds,cjdls,djs,jed,jes,shsld,shsls,qtfy,fzfy)"));
    q.addSql(QStringLiteral(" values(:t0,:t1,:t2,:t3,:t4,:t5,:t6,:t7,:t8,:t9,:t10,:t11,:t12,:t13,:t14,:t15,:t16,:t17,:t18,:t19,:t20,:t21,:t22,:t23,:t24,:t25,:t26,:t27,:t28,:t29,:t30,:t31,:t32,:t33,:t34,:t35"));
    q.addSql(QStringLiteral(" ,:t36,:sccjds,:bccjds,:cjdls,:djs,:jed,:jes,:shsld,:shsls,:qtfy,:fzfy)"));
    for (int i = 0; i <= 9; ++i)
        q.bind(QStringLiteral("t%1").arg(i), 1);
    const QString year = f->Edit4->text();
    const QString month = f->cbyf->currentText();
    q.bind(QStringLiteral("t10"), DateText::toDateTime(f->Edit1->text()));
    q.bind(QStringLiteral("t11"), QStringLiteral("1"));
    q.bind(QStringLiteral("t12"), serial);
    q.bind(QStringLiteral("t13"), QStringLiteral("    "));
    q.bind(QStringLiteral("t14"), QStringLiteral("    "));
    q.bind(QStringLiteral("t15"), QStringLiteral("  "));
    q.bind(QStringLiteral("t16"), QStringLiteral("  "));
    q.bind(QStringLiteral("t17"), f->cbskr->currentText());
    q.bind(QStringLiteral("t18"), TDemoDM::money(f->Edit35->value()));
    q.bind(QStringLiteral("t19"), 1);
    q.bind(QStringLiteral("t20"), f->cblb->currentText());
    q.bind(QStringLiteral("t21"), f->cbfk->currentText());
    q.bind(QStringLiteral("t22"), f->edit2->currentText());
    q.bind(QStringLiteral("t23"), year);
    q.bind(QStringLiteral("t24"), month);
    q.bind(QStringLiteral("t25"), year + QStringLiteral("年") + month + QStringLiteral("月电费"));
    q.bind(QStringLiteral("t26"), f->edit41->currentText());
    q.bind(QStringLiteral("t27"), f->Edit20->text());
    q.bind(QStringLiteral("t28"), f->Edit22->value());
    q.bind(QStringLiteral("t29"), f->Edit21->value());
    q.bind(QStringLiteral("t30"), 1);
    q.bind(QStringLiteral("t31"), f->Edit27->value());
    q.bind(QStringLiteral("t32"), 0);
    q.bind(QStringLiteral("t33"), 0);
    q.bind(QStringLiteral("t34"), TDemoDM::money(f->Edit28->value()));
    q.bind(QStringLiteral("t35"), 0);
    q.bind(QStringLiteral("t36"), f->cbcbr->currentText());
    q.bind(QStringLiteral("sccjds"), f->Edit31->value());
    q.bind(QStringLiteral("bccjds"), f->Edit30->value());
    q.bind(QStringLiteral("cjdls"), f->Edit32->value());
    q.bind(QStringLiteral("djs"), TDemoDM::money(f->Edit33->value()));
    q.bind(QStringLiteral("jes"), TDemoDM::money(f->Edit34->value()));
    q.bind(QStringLiteral("jed"), TDemoDM::money(f->Edit29->value()));
    q.bind(QStringLiteral("shsld"), f->Edit8->value());
    q.bind(QStringLiteral("shsls"), f->Edit24->value());
    q.bind(QStringLiteral("qtfy"), f->Edit36->value());
    q.bind(QStringLiteral("fzfy"), f->Edit37->value());
    q.exec();
}

void TCurrentReceipts::updateReceipt(const QString &serial)
{
    Ui::TEntryTab *f = form();
    TNamedQuery &q = DemoDM().qup;
    q.close();
    q.clearSql();
    q.addSql(QStringLiteral("update P_ORDERD set jkdw= :jkdw,rq= :rq,cost= :cost,zg= :zg,kj= :kj,skr= :skr ,fkzt= :fkzt,sccjd= :sccjd,bccjd= :bccjd,bl= :bl,cjdl= :cjdl,bdl= :bdl,hbdl= :hbdl,hjdl= :hjdl,dj= :dj  "));
    q.addSql(QStringLiteral(" ,sccjds= :sccjds,bccjds= :bccjds,cjdls= :cjdls,djs= :djs,jed= :jed,jes= :jes,cbr= :cbr,nf= :nf,yf= :yf,shsld= :shsld,shsls= :shsls,qtfy= :qtfy,fzfy= :fzfy where sjxh= :sjxh and lbmc= :lbmc"));
    q.bind(QStringLiteral("jkdw"), QStringLiteral("1"));
    q.bind(QStringLiteral("rq"), DateText::toDateTime(f->Edit1->text()));
    q.bind(QStringLiteral("cost"), TDemoDM::money(f->Edit35->value()));
    q.bind(QStringLiteral("zg"), QStringLiteral(" "));
    q.bind(QStringLiteral("kj"), QStringLiteral(" "));
    q.bind(QStringLiteral("skr"), f->cbskr->currentText());
    q.bind(QStringLiteral("fkzt"), f->cbfk->currentText());
    q.bind(QStringLiteral("sccjd"), f->Edit22->value());
    q.bind(QStringLiteral("bccjd"), f->Edit21->value());
    q.bind(QStringLiteral("bl"), 1);
    q.bind(QStringLiteral("cjdl"), f->Edit27->value());
    q.bind(QStringLiteral("bdl"), 0);
    q.bind(QStringLiteral("hbdl"), 0);
    q.bind(QStringLiteral("hjdl"), 0);
    q.bind(QStringLiteral("dj"), TDemoDM::money(f->Edit28->value()));
    q.bind(QStringLiteral("sccjds"), f->Edit31->value());
    q.bind(QStringLiteral("bccjds"), f->Edit30->value());
    q.bind(QStringLiteral("cjdls"), f->Edit32->value());
    q.bind(QStringLiteral("djs"), TDemoDM::money(f->Edit33->value()));
    q.bind(QStringLiteral("jed"), TDemoDM::money(f->Edit29->value()));
    q.bind(QStringLiteral("jes"), TDemoDM::money(f->Edit34->value()));
    q.bind(QStringLiteral("cbr"), f->cbcbr->currentText());
    q.bind(QStringLiteral("nf"), f->Edit4->text());
    q.bind(QStringLiteral("yf"), f->cbyf->currentText());
    q.bind(QStringLiteral("shsld"), f->Edit8->value());
    q.bind(QStringLiteral("shsls"), f->Edit24->value());
    q.bind(QStringLiteral("qtfy"), f->Edit36->value());
    q.bind(QStringLiteral("fzfy"), f->Edit37->value());
    q.bind(QStringLiteral("sjxh"), serial);
    q.bind(QStringLiteral("lbmc"), f->cblb->currentText());
    q.exec();
}

// The number shown after a new save has been committed: the counter plus one.
void TCurrentReceipts::advanceNumber()
{
    const qint64 counter = Serials::ReadCounter(DemoDM(), form()->cblb->currentText());
    if (counter > 0)
        form()->Edit3->setFieldText(Serials::SerialText(counter + 1));
}

// The first number from the counter on that no receipt has used: a number
// already issued is never given to a second receipt.
QString TCurrentReceipts::freeSerial(const QString &category)
{
    qint64 n = Serials::ReadCounter(DemoDM(), category) + 1;
    for (;; ++n) {
        const QString text = Serials::SerialText(n);
        if (text.isEmpty())
            throw AppError(kSerialsUsedUp);
        if (!Serials::IsSerialIssued(DemoDM(), text, category))
            return text;
    }
}

void TCurrentReceipts::clearReceiptFields()
{
    Ui::TEntryTab *f = form();
    for (TEntryField *e : {f->Edit20, f->Edit21, f->Edit22, f->Edit28, f->Edit29, f->Edit30, f->Edit31, f->Edit32, f->Edit33})
        e->clearField();
    f->Edit27->setFieldText(QString());
    f->Edit30->setFieldText(kZero);
    f->Edit29->setFieldText(kZero);
}

void TCurrentReceipts::resetAfterSave(bool reopenPickers)
{
    Ui::TEntryTab *f = form();
    TGlobal &g = Global();
    clearReceiptFields();
    f->edit2->setEditText(QString());
    f->edit41->setEditText(QString());
    f->Edit9->clear();
    f->Edit33->clearField();

    f->cbskr->setEditText(g.str_skr);
    m_tab->setHouseholdPickerActive(false);
    setComboText(f->cbfk, kPaid);
    setComboText(f->cblb, kCategory);
    f->Edit33->setFieldText(g.str_djs);
    f->Edit28->setFieldText(g.str_dj);

    if (reopenPickers)
        m_tab->ReopenPickerLists();

    for (TEntryField *e : {f->Edit8, f->Edit24, f->Edit36, f->Edit37})
        e->clearField();
}

// Both saves: the category, the community every receipt is stored with,
// and the category setting.
void TCurrentReceipts::prepareSave()
{
    Ui::TEntryTab *f = form();
    setComboText(f->cblb, kCategory);
    f->edit2->setEditText(QStringLiteral("温州"));
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
    Ui::TEntryTab *f = form();
    TGlobal &g = Global();
    // A text that is not a number would stop the handlers the reset runs
    // half-way: the numbers go first, without their handlers, so that the
    // steps below rebuild every field from nothing.
    for (TEntryField *e : {f->Edit21, f->Edit22, f->Edit8, f->Edit27, f->Edit28, f->Edit29, f->Edit30, f->Edit31,
                           f->Edit24, f->Edit32, f->Edit33, f->Edit34, f->Edit36, f->Edit37}) {
        const QSignalBlocker block(e);
        e->clear();
    }
    f->edit2->setEditText(QString());
    f->edit41->setEditText(QString());
    f->Edit9->clear();
    f->Edit33->clearField();
    m_tab->setHouseholdPickerActive(false);
    setComboText(f->cbfk, kPaid);
    clearReceiptFields();
    if (dateToday)
        f->Edit1->setFieldText(DateText::fromDate(DateText::today()));
    f->Edit33->setFieldText(g.str_djs);
    f->Edit28->setFieldText(g.str_dj);
    for (TEntryField *e : {f->Edit8, f->Edit24, f->Edit36, f->Edit37})
        e->clearField();
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
        Dialogs::message(kSerialsUsedUp);
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
        const QList<std::pair<QString, QVariant>> period{
            {"nf", f->Edit4->text()}, {"yf", f->cbyf->currentText()}, {"bhmc", name}};
        if (dm.qcx.count(QStringLiteral("select count(*) as expr1001 from p_orderd where nf= :nf and yf= :yf and bhmc= :bhmc "), period) != 0) {
            tx.commit();
            Dialogs::message(QStringLiteral("该用户的的电费数据，在本月已经录入了，请在列表框中找到此用户，双击可直接修改！"));
            return;
        }
        if (dm.qcx.count(QStringLiteral("select count(*) as expr1001 from P_ORDERDBAK where nf= :nf and yf= :yf and bhmc= :bhmc "), period) != 0) {
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
                serial = freeSerial(category);
            if (f->Edit3->text() != serial)
                f->Edit3->setFieldText(serial);

            if (g.strdyf == QStringLiteral("Y")) {
                if (!m_print || !m_print()) {
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
            updateReceipt(serial);
            // A receipt that is gone (deleted or archived meanwhile) keeps
            // nothing of the change: better said than lost.
            if (dm.qup.rowsAffected() == 0)
                throw AppError(QStringLiteral("单据号为%1的单据已不在当前单据中，修改没有保存").arg(serial));
            if (!issued) {
                // A receipt whose number was never registered: register it now,
                // so that the number is never offered to another receipt.
                const qint64 number = Serials::SerialNumber(serial);
                if (number > Serials::ReadCounter(dm, category))
                    Serials::IssueSerial(dm, serial, category); // registers it and raises the counter
                else
                    dm.qins.run(QStringLiteral("insert into bciidb(sjxh,lbmc) values(:sjxh,:lbmc)"),
                           {{"sjxh", serial}, {"lbmc", category}});
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
        const QList<std::pair<QString, QVariant>> key{{"sjxh", sjxh}, {"lbmc", lbmc}};
        dm.qup.run(QStringLiteral("insert into p_orderd_del select * from p_orderd where sjxh= :sjxh and lbmc= :lbmc"), key);
        dm.qup.run(QStringLiteral("delete from P_ORDERD where sjxh= :sjxh and lbmc= :lbmc "), key);

        // A household left without any receipt starts again from readings 0.
        // A household without a number is known by its name.
        if (!bhh.isEmpty()) {
            const qint64 current = dm.qcx.count(QStringLiteral("select count(*) as expr1001  from P_ORDERD where bhh= :bhh "), {{"bhh", bhh}});
            const qint64 history = dm.qcx.count(QStringLiteral("select count(*) as expr1001  from P_ORDERDBAK where bhh= :bhh  "), {{"bhh", bhh}});
            if (current == 0 && history == 0)
                dm.qdc.run(QStringLiteral("update  hhb set dd= :dd ,dds= :dds  where hh= :hh "), {{"dd", 0}, {"dds", 0}, {"hh", bhh}});
        } else {
            const qint64 current = dm.qcx.count(QStringLiteral("select count(*) as expr1001  from P_ORDERD where bhmc= :bhmc "), {{"bhmc", bhmc}});
            const qint64 history = dm.qcx.count(QStringLiteral("select count(*) as expr1001  from P_ORDERDBAK where bhmc= :bhmc  "), {{"bhmc", bhmc}});
            if (current == 0 && history == 0)
                dm.qdc.run(QStringLiteral("update  hhb set dd= :dd ,dds= :dds  where hm= :hm "), {{"dd", 0}, {"dds", 0}, {"hm", bhmc}});
        }
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
    const int row = selectedRow();
    if (row < 0)
        return;
    Ui::TEntryTab *f = form();
    const QString sjxh = m_list->fieldValue(row, QStringLiteral("sjxh")).toString();
    const QString lbmc = m_list->fieldValue(row, QStringLiteral("lbmc")).toString();

    m_tab->setHouseholdPickerActive(false);
    f->edit2->setEditText(QString());
    f->edit41->setEditText(QString());
    f->Edit9->clear();
    f->Edit33->clearField();
    f->cbskr->setEditText(QString());
    setComboText(f->cblb, kCategory);
    setComboText(f->cbfk, m_list->fieldValue(row, QStringLiteral("fkzt")).toString());

    TDemoDM &dm = DemoDM();
    const QList<std::pair<QString, QVariant>> key{{"sjxh", sjxh}, {"lbmc", lbmc}};
    if (dm.qcount.count(QStringLiteral("select count(*) as expr1001 from P_ORDERD where sjxh= :sjxh and lbmc= :lbmc"), key) == 0)
        return;

    TNamedQuery &q = dm.qcx;
    q.close();
    q.clearSql();
    q.addSql(QStringLiteral("select * from P_ORDERD where sjxh= :sjxh and lbmc= :lbmc "));
    q.bind(QStringLiteral("sjxh"), sjxh);
    q.bind(QStringLiteral("lbmc"), lbmc);
    q.open();
    if (q.isEmpty())
        return;
    auto text = [&q](const char *col) { return q.value(QLatin1String(col)).toString(); };
    auto number = [&q](const char *col) { return FloatToText(q.value(QLatin1String(col)).toDouble()); };
    struct Value
    {
        TEntryField *field;
        QString text;
    };
    // Read the whole row first: the field handlers below run statements of their own.
    const QString bhmc = text("bhmc"), bhh = text("bhh"), rq = dateText(q.value(QStringLiteral("rq"))),
                  nf = text("nf"), yf = text("yf"), no = text("sjxh"), cmc = text("cmc"), cbr = text("cbr"),
                  skr = text("skr");
    const QList<Value> numbers{
        {f->Edit21, number("bccjd")}, {f->Edit22, number("sccjd")}, {f->Edit27, number("cjdl")},
        {f->Edit28, number("dj")},    {f->Edit29, number("jed")},   {f->Edit30, number("bccjds")},
        {f->Edit31, number("sccjds")}, {f->Edit32, number("cjdls")}, {f->Edit33, number("djs")},
        {f->Edit34, number("jes")},   {f->Edit8, number("shsld")},  {f->Edit24, number("shsls")},
        {f->Edit36, number("qtfy")},  {f->Edit37, number("fzfy")}};
    q.close();

    f->edit41->setEditText(bhmc);
    f->Edit20->setFieldText(bhh);
    f->Edit1->setFieldText(rq);
    f->Edit4->setFieldText(nf);
    f->cbyf->setEditText(yf);
    f->Edit3->setFieldText(no);
    f->edit2->setEditText(cmc);
    f->cbcbr->setEditText(cbr);
    for (const Value &v : numbers)
        v.field->setFieldText(v.text);

    m_tab->BitBtn2Click();
    f->cbskr->setEditText(skr);
    setLoadedMode(true);
}
