#include "app/finddialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QVBoxLayout>

#include "app/cellbox.h"
#include "app/gridediting.h"
#include "session/session.h"
#include "settings/inifile.h"
#include "text/commatext.h"

namespace qm {

namespace {

const QString kSection = QStringLiteral("Find");
constexpr int kHistorySize = 10;

QComboBox *historyBox(const QString &name, QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMaxCount(kHistorySize);
    return box;
}

QStringList itemsOf(const QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items.append(box->itemText(i));
    return items;
}

// The history as stored: "_" and the items as comma text.
QString historyText(const QComboBox *box)
{
    return QStringLiteral("_") + toCommaText(itemsOf(box));
}

void readHistory(QComboBox *box, const QString &stored)
{
    QStringList items = fromCommaText(QStringView(stored).mid(1));
    if (items.size() > kHistorySize)
        items.resize(kHistorySize);
    box->clear();
    box->addItems(items);
    box->setCurrentIndex(-1);
    box->setEditText(QString());
}

// Puts `text` into the box's history and chooses it; the text typed stays.
void remember(QComboBox *box, const QString &text, bool caseSensitive)
{
    QStringList items = itemsOf(box);
    const int index = rememberInHistory(items, text, caseSensitive, kHistorySize);
    if (index < 0)
        return;
    const QSignalBlocker quiet(box);
    if (items != itemsOf(box)) {
        box->clear();
        box->addItems(items);
    }
    box->setCurrentIndex(index);
    box->setEditText(text);
}

} // namespace

TfrmFind::TfrmFind(Session &session, GridEditing &editing, QWidget *parent)
    : QDialog(parent), session_(session), editing_(editing)
{
    setObjectName(QStringLiteral("frmFind"));
    setWindowTitle(tr("Найти и заменить"));
    setModal(false);

    edtCellString_ = new QLineEdit(this);
    edtCellString_->setObjectName(QStringLiteral("edtCellString"));
    edtCellString_->setReadOnly(true);
    edtCellString_->installEventFilter(this);
    edtCellString_->setMouseTracking(true);
    tbcRepFind_ = new QTabBar(this);
    tbcRepFind_->setObjectName(QStringLiteral("tbcRepFind"));
    tbcRepFind_->addTab(tr("Найти"));
    tbcRepFind_->addTab(tr("Заменить"));

    auto *parameters = new QGroupBox(tr("Параметры"), this);
    cmbFind_ = historyBox(QStringLiteral("cmbFind"), parameters);
    cmbReplace_ = historyBox(QStringLiteral("cmbReplace"), parameters);
    lblReplace_ = new QLabel(tr("Заменить:"), parameters);
    chbCaseSensitive_ = new QCheckBox(tr("Учитывать регистр"), parameters);
    chbCaseSensitive_->setObjectName(QStringLiteral("chbCaseSensitive"));
    chbWholeWordsOnly_ = new QCheckBox(tr("Слово целиком"), parameters);
    chbWholeWordsOnly_->setObjectName(QStringLiteral("chbWholeWordsOnly"));
    cmbDirection_ = new QComboBox(parameters);
    cmbDirection_->setObjectName(QStringLiteral("cmbDirection"));
    cmbDirection_->addItems({tr("Везде"), tr("Вперед"), tr("Назад"), tr("В выделенном")});
    auto *order = new QGroupBox(tr("Порядок поиска:"), parameters);
    order->setObjectName(QStringLiteral("rdgOrderOfSearch"));
    rdgOrderOfSearch_ = new QButtonGroup(order);
    auto *orderLayout = new QVBoxLayout(order);
    const QString orders[] = {tr("По столбцам"), tr("По строкам")};
    for (int i = 0; i < 2; ++i) {
        auto *radio = new QRadioButton(orders[i], order);
        rdgOrderOfSearch_->addButton(radio, i);
        orderLayout->addWidget(radio);
    }
    rdgOrderOfSearch_->button(0)->setChecked(true);

    auto *form = new QFormLayout;
    form->addRow(tr("Найти:"), cmbFind_);
    form->addRow(lblReplace_, cmbReplace_);
    form->addRow(tr("Поиск"), cmbDirection_);
    auto *parametersLayout = new QVBoxLayout(parameters);
    parametersLayout->addLayout(form);
    parametersLayout->addWidget(chbCaseSensitive_);
    parametersLayout->addWidget(chbWholeWordsOnly_);
    parametersLayout->addWidget(order);

    const auto button = [this](const QString &name, const QString &text) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };
    btnFind_ = button(QStringLiteral("btnFind"), tr("Найти далее"));
    btnFind_->setDefault(true);
    btnReplace_ = button(QStringLiteral("btnReplace"), tr("Заменить"));
    btnReplaceAll_ = button(QStringLiteral("btnReplaceAll"), tr("Заменить все"));
    btnClose_ = button(QStringLiteral("btnClose"), tr("Отмена"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton *b : {btnFind_, btnReplace_, btnReplaceAll_, btnClose_})
        buttons->addWidget(b);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(edtCellString_);
    layout->addWidget(tbcRepFind_);
    layout->addWidget(parameters);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(tbcRepFind_, &QTabBar::currentChanged, this, &TfrmFind::tbcRepFindChange);
    connect(cmbDirection_, &QComboBox::currentIndexChanged, this, &TfrmFind::cmbDirectionChange);
    connect(btnFind_, &QPushButton::clicked, this, &TfrmFind::btnFindClick);
    connect(btnReplace_, &QPushButton::clicked, this, &TfrmFind::btnReplaceClick);
    connect(btnReplaceAll_, &QPushButton::clicked, this, &TfrmFind::btnReplaceAllClick);
    connect(btnClose_, &QPushButton::clicked, this, &QDialog::close);
    tbcRepFindChange();
}

void TfrmFind::showPage(int page)
{
    tbcRepFind_->setCurrentIndex(page);
    tbcRepFindChange();
    if (isVisible()) {
        raise();
        activateWindow();
    } else {
        show();
    }
    cmbFind_->setFocus();
}

void TfrmFind::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    session_.resetFind();
    edtCellString_->clear();
    tbcRepFindChange();
}

void TfrmFind::tbcRepFindChange()
{
    const bool replacing = tbcRepFind_->currentIndex() == 1;
    lblReplace_->setVisible(replacing);
    cmbReplace_->setVisible(replacing);
    btnReplace_->setVisible(replacing);
    btnReplaceAll_->setVisible(replacing);
    btnClose_->setVisible(!replacing);
    const bool current = session_.finder().hasMatch();
    btnReplace_->setEnabled(current);
    btnReplaceAll_->setEnabled(current);
}

void TfrmFind::cmbDirectionChange()
{
    session_.resetFind();
    showMatch({});
}

FindRequest TfrmFind::request() const
{
    FindRequest r;
    r.text = cmbFind_->currentText();
    r.caseSensitive = chbCaseSensitive_->isChecked();
    r.wholeCell = chbWholeWordsOnly_->isChecked();
    r.direction = FindDirection(std::clamp(cmbDirection_->currentIndex(), 0, 3));
    r.order = rdgOrderOfSearch_->checkedId() == 1 ? FindOrder::ByRows : FindOrder::ByColumns;
    return r;
}

void TfrmFind::updateHistories()
{
    const bool caseSensitive = chbCaseSensitive_->isChecked();
    remember(cmbFind_, cmbFind_->currentText(), caseSensitive);
    if (tbcRepFind_->currentIndex() == 1)
        remember(cmbReplace_, cmbReplace_->currentText(), caseSensitive);
}

bool TfrmFind::askRepeat(bool forward)
{
    const QString text = forward ? tr("Поиск завершен. Повторить поиск с начала?")
                                 : tr("Поиск завершен. Повторить поиск с конца?");
    // The caption ends in a Latin "e", as it always has.
    QMessageBox box(QMessageBox::Question, tr("Подтвердитe"), text,
                    QMessageBox::Yes | QMessageBox::No, this);
    // Enter on a walk that keeps finding nothing must not go round forever.
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

RepeatQuestion TfrmFind::question()
{
    if (question_)
        return question_;
    return [this](bool forward) { return askRepeat(forward); };
}

void TfrmFind::showMatch(const FindMatch &match)
{
    if (match.found()) {
        edtCellString_->setText(session_.finder().cellText());
        selectMatchInBox();
        // "В выделенном" keeps the user's selection and only moves the current
        // cell; the other directions select the found cell.
        const CellRect cell{match.column, match.row, match.column, match.row};
        const bool inSelection = cmbDirection_->currentIndex() == int(FindDirection::InSelection);
        editing_.setSelection(inSelection ? editing_.selection() : cell, match.column, match.row);
    } else {
        edtCellString_->clear();
        editing_.cellBox().close();
    }
    btnReplace_->setEnabled(match.found());
    btnReplaceAll_->setEnabled(match.found());
}

void TfrmFind::selectMatchInBox()
{
    const FindMatch &match = session_.finder().match();
    if (match.found())
        edtCellString_->setSelection(int(match.start), int(match.length));
}

bool TfrmFind::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == edtCellString_
        && (event->type() == QEvent::KeyRelease || event->type() == QEvent::MouseMove
            || event->type() == QEvent::MouseButtonRelease)) {
        selectMatchInBox();
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmFind::btnFindClick()
{
    updateHistories();
    showMatch(session_.findNext(editing_.selection(), request(), question()));
    editing_.computeEditorText();
}

void TfrmFind::btnReplaceClick()
{
    updateHistories();
    showMatch(session_.replaceMatch(editing_.selection(), request(), cmbReplace_->currentText(),
                                    question()));
    editing_.computeEditorText();
}

void TfrmFind::btnReplaceAllClick()
{
    updateHistories();
    showMatch(session_.replaceAll(editing_.selection(), request(), cmbReplace_->currentText(),
                                  question()));
    editing_.computeEditorText();
}

void TfrmFind::readSettings(const IniFile &ini)
{
    if (ini.contains(kSection, u"HistoryFind"))
        readHistory(cmbFind_, ini.readString(kSection, u"HistoryFind"));
    if (ini.contains(kSection, u"HistoryReplace"))
        readHistory(cmbReplace_, ini.readString(kSection, u"HistoryReplace"));
    chbCaseSensitive_->setChecked(
        ini.readBool(kSection, u"FindCaseSensitive", chbCaseSensitive_->isChecked()));
    chbWholeWordsOnly_->setChecked(
        ini.readBool(kSection, u"FindWholeWordsOnly", chbWholeWordsOnly_->isChecked()));
    cmbDirection_->setCurrentIndex(std::clamp(
        ini.readInteger(kSection, u"FindDirection", cmbDirection_->currentIndex()), 0, 3));
    const int order =
        ini.readInteger(kSection, u"FindOrderOfSearch", rdgOrderOfSearch_->checkedId());
    rdgOrderOfSearch_->button(order == 1 ? 1 : 0)->setChecked(true);
}

void TfrmFind::writeSettings(IniFile &ini) const
{
    ini.writeString(kSection, u"HistoryFind", historyText(cmbFind_));
    ini.writeString(kSection, u"HistoryReplace", historyText(cmbReplace_));
    ini.writeBool(kSection, u"FindCaseSensitive", chbCaseSensitive_->isChecked());
    ini.writeBool(kSection, u"FindWholeWordsOnly", chbWholeWordsOnly_->isChecked());
    ini.writeInteger(kSection, u"FindDirection", cmbDirection_->currentIndex());
    ini.writeInteger(kSection, u"FindOrderOfSearch", rdgOrderOfSearch_->checkedId());
}

} // namespace qm
