#include "app/speclistdialog.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "settings/inifile.h"

namespace qm {
namespace {

const QString kSection = QStringLiteral("SpecList");
const char *const kTagHint =
    QT_TRANSLATE_NOOP("qm::TfrmSpecList", "Доступно если в таблице содержится ID3 Tag");
const char *const kTitleHint =
    QT_TRANSLATE_NOOP("qm::TfrmSpecList", "Доступно только при раздельной нумерации");

struct ButtonSpec {
    const char *name;
    const char *caption;
    const char *code;
};

// The groups' buttons in their order from the top.
const ButtonSpec kGeneral[] = {
    {"btnNF", QT_TRANSLATE_NOOP("qm::TfrmSpecList", "Номер папки (%NF)->"), "%NF"},
    {"btnNS", QT_TRANSLATE_NOOP("qm::TfrmSpecList", "Номер строки (%NS)->"), "%NS"},
    {"btnNN", QT_TRANSLATE_NOOP("qm::TfrmSpecList", "Новое имя (%NN)->"), "%NN"},
    {"btnFN", QT_TRANSLATE_NOOP("qm::TfrmSpecList", "Папка (%FN)->"), "%FN"},
    {"btnON", QT_TRANSLATE_NOOP("qm::TfrmSpecList", "Старое имя (%ON)->"), "%ON"},
    {"btnPA", QT_TRANSLATE_NOOP("qm::TfrmSpecList", "Путь (%PA)->"), "%PA"},
    {"btnEX", QT_TRANSLATE_NOOP("qm::TfrmSpecList", "Расширение (%EX)->"), "%EX"},
    {"btnSZ", QT_TRANSLATE_NOOP("qm::TfrmSpecList", "Размер (%SZ)->"), "%SZ"},
    {"btnDU", QT_TRANSLATE_NOOP("qm::TfrmSpecList", "Длительность (%DU)->"), "%DU"},
    {"btnIN", QT_TRANSLATE_NOOP("qm::TfrmSpecList", "Информация (%IN)->"), "%IN"},
};
const ButtonSpec kTag[] = {
    {"btnAR", QT_TRANSLATE_NOOP("qm::TfrmSpecList", "<-(%AR) Артист"), "%AR"},
    {"btnTT", QT_TRANSLATE_NOOP("qm::TfrmSpecList", "<-(%TT) Заголовок"), "%TT"},
    {"btnAL", QT_TRANSLATE_NOOP("qm::TfrmSpecList", "<-(%AL) Альбом"), "%AL"},
    {"btnCO", QT_TRANSLATE_NOOP("qm::TfrmSpecList", "<-(%CO) Комментарий"), "%CO"},
    {"btnYA", QT_TRANSLATE_NOOP("qm::TfrmSpecList", "<-(%YE) Год"), "%YE"},
    {"btnGE", QT_TRANSLATE_NOOP("qm::TfrmSpecList", "<-(%GE) Жанр"), "%GE"},
    {"btnTR", QT_TRANSLATE_NOOP("qm::TfrmSpecList", "<-(%TR) Трек"), "%TR"},
};
// btnOY and btnCP take their captions from the view (applyViews).
const ButtonSpec kTagV2[] = {
    {"btnOA", QT_TRANSLATE_NOOP("qm::TfrmSpecList", "<-(%OA) Ориг. артист"), "%OA"},
    {"btnOT", QT_TRANSLATE_NOOP("qm::TfrmSpecList", "<-(%OT) Ориг. заголов"), "%OT"},
    {"btnOL", QT_TRANSLATE_NOOP("qm::TfrmSpecList", "<-(%OL) Ориг. альбом"), "%OL"},
    {"btnOY", QT_TRANSLATE_NOOP("qm::TfrmSpecList", "<-(%OY) Ориг. год"), "%OY"},
    {"btnTX", QT_TRANSLATE_NOOP("qm::TfrmSpecList", "<-(%TX) Текст"), "%TX"},
    {"btnCM", QT_TRANSLATE_NOOP("qm::TfrmSpecList", "<-(%CM) Композитор"), "%CM"},
    {"btnEN", QT_TRANSLATE_NOOP("qm::TfrmSpecList", "<-(%EN) Кодировщик"), "%EN"},
    {"btnCP", QT_TRANSLATE_NOOP("qm::TfrmSpecList", "<-(%CP) Авторское пр."), "%CP"},
    {"btnLN", QT_TRANSLATE_NOOP("qm::TfrmSpecList", "<-(%LN) Язык"), "%LN"},
    {"btnXX", QT_TRANSLATE_NOOP("qm::TfrmSpecList", "<-(%XX) Ссылка"), "%XX"},
};
// Shown only in the ID3v2 view.
const char *const kV2Only[] = {"%EN", "%CM", "%LN", "%XX"};
const char *const kFileInfoCodes[] = {"%SZ", "%DU", "%IN"};

} // namespace

TfrmSpecList::TfrmSpecList(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSpecList"));
    // The first letter is a Latin C, as the program has always shown it.
    setWindowTitle(tr("Cпециальный список"));

    const auto group = [this](const QString &name, const QString &caption, const auto &specs) {
        auto *box = new QGroupBox(caption, this);
        box->setObjectName(name);
        auto *layout = new QVBoxLayout(box);
        for (const ButtonSpec &spec : specs) {
            auto *button = new QPushButton(tr(spec.caption), box);
            button->setObjectName(QString::fromLatin1(spec.name));
            const QString code = QString::fromLatin1(spec.code);
            connect(button, &QPushButton::clicked, this, [this, code] { pasteSymbols(code); });
            buttons_.append({button, code});
            layout->addWidget(button);
        }
        layout->addStretch();
        return box;
    };
    grbGen = group(QStringLiteral("grbGen"), QString(), kGeneral);
    grbTag = group(QStringLiteral("grbTag"), QStringLiteral("Tag"), kTag);
    grbID3Tagv2 = group(QStringLiteral("grbID3Tagv2"), QStringLiteral("ID3 Tag v2"), kTagV2);

    txtTitleStr = new QLineEdit(this);
    txtTitleStr->setObjectName(QStringLiteral("txtTitleStr"));
    txtTitleStr->setText(SpecListTemplates().title);
    chbTitleStr = new QCheckBox(tr("Заголовок для папки"), this);
    chbTitleStr->setObjectName(QStringLiteral("chbTitleStr"));
    chbTitleStr->setChecked(true);
    auto *lblString = new QLabel(tr("Строка списка"), this);
    lblString->setObjectName(QStringLiteral("lblString"));
    txtString = new QLineEdit(this);
    txtString->setObjectName(QStringLiteral("txtString"));
    txtString->setText(SpecListTemplates().row);
    lblString->setBuddy(txtString);
    for (QLineEdit *box : {txtTitleStr, txtString})
        box->installEventFilter(this);
    btnSave = new QPushButton(tr("Сохранить"), this);
    btnSave->setObjectName(QStringLiteral("btnSave"));
    btnClose = new QPushButton(tr("Отмена"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));

    auto *middle = new QVBoxLayout;
    middle->addWidget(chbTitleStr);
    middle->addWidget(txtTitleStr);
    middle->addSpacing(12);
    middle->addWidget(lblString);
    middle->addWidget(txtString);
    middle->addStretch();
    auto *buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(btnSave);
    buttonRow->addWidget(btnClose);
    middle->addLayout(buttonRow);
    auto *tags = new QVBoxLayout;
    tags->addWidget(grbTag);
    tags->addWidget(grbID3Tagv2);
    tags->addStretch();
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(grbGen);
    layout->addLayout(middle, 1);
    layout->addLayout(tags);
    txtTitleStr->setMinimumWidth(220);

    connect(chbTitleStr, &QCheckBox::clicked, this, &TfrmSpecList::chbTitleStrClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnSave, &QPushButton::clicked, this, [this] {
        accept();
        emit saveRequested();
    });
}

QPushButton *TfrmSpecList::codeButton(const QString &code) const
{
    for (const CodeButton &b : buttons_)
        if (b.code == code)
            return b.button;
    return nullptr;
}

void TfrmSpecList::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (viewSource_)
        applyViews(viewSource_());
    txtString->setFocus();
}

void TfrmSpecList::applyViews(const SpecListViews &views)
{
    const bool tags = views.tagView != 0;
    const bool v2 = views.tagView == 2;
    for (QGroupBox *box : {grbTag, grbID3Tagv2}) {
        for (QPushButton *button : box->findChildren<QPushButton *>())
            button->setEnabled(tags);
        box->setToolTip(tags ? QString() : tr(kTagHint));
    }
    grbID3Tagv2->setTitle(v2 ? QStringLiteral("ID3 Tag v2") : QStringLiteral("Lyrics"));
    codeButton(QStringLiteral("%OY"))
        ->setText(v2 ? tr("<-(%OY) Ориг. год") : tr("<-(%OY) Комментарий 2"));
    codeButton(QStringLiteral("%CP"))
        ->setText(v2 ? tr("<-(%CP) Авторское пр.") : tr("<-(%CP) Автор"));
    for (const char *code : kV2Only)
        codeButton(QString::fromLatin1(code))->setVisible(v2);
    // The groups take the height of their buttons as the captions and the
    // font make them: no button is cut.
    if (isVisible())
        adjustSize();
    for (const char *code : kFileInfoCodes)
        codeButton(QString::fromLatin1(code))->setEnabled(views.fileInfo);
    separate_ = views.separateNumbering;
    codeButton(kFolderNumberCode)->setEnabled(separate_);
    chbTitleStr->setEnabled(separate_);
    txtTitleStr->setToolTip(separate_ ? QString() : tr(kTitleHint));
    colourTitle();
}

void TfrmSpecList::colourTitle()
{
    // The title template reads as in use only when title lines will be written.
    QPalette palette = txtTitleStr->palette();
    const bool inUse = separate_ && chbTitleStr->isChecked();
    palette.setColor(
        QPalette::Text,
        QWidget::palette().color(inUse ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    txtTitleStr->setPalette(palette);
}

void TfrmSpecList::chbTitleStrClick(bool ticked)
{
    colourTitle();
    (ticked ? txtTitleStr : txtString)->setFocus();
}

bool TfrmSpecList::eventFilter(QObject *watched, QEvent *event)
{
    // Before the box handles its focus loss, which drops the selection.
    if (event->type() == QEvent::FocusOut && (watched == txtTitleStr || watched == txtString))
        remember(static_cast<QLineEdit *>(watched));
    return QDialog::eventFilter(watched, event);
}

void TfrmSpecList::remember(QLineEdit *box)
{
    target_ = box;
    targetStart_ = box->hasSelectedText() ? box->selectionStart() : box->cursorPosition();
    targetLength_ = box->selectionLength();
}

void TfrmSpecList::pasteSymbols(const QString &code)
{
    if (!target_ || targetStart_ < 0) {
        // No box left yet: the code goes behind the row template's text.
        target_ = txtString;
        targetStart_ = txtString->text().size();
        targetLength_ = 0;
    }
    // Focus moving to the box makes the other box the one left last: the
    // box is held here.
    QLineEdit *box = target_;
    QString text = box->text();
    const int start = qBound(0, targetStart_, int(text.size()));
    text.replace(start, qBound(0, targetLength_, int(text.size()) - start), code);
    box->setText(text);
    box->setFocus();
    box->setCursorPosition(start + int(code.size()));
    // A second click puts its code behind this one.
    remember(box);
}

SpecListTemplates TfrmSpecList::templates() const
{
    return {txtString->text(), txtTitleStr->text(), chbTitleStr->isChecked()};
}

void TfrmSpecList::readSettings(const IniFile &ini)
{
    txtTitleStr->setText(ini.readString(kSection, u"TitleStr", txtTitleStr->text()));
    txtString->setText(ini.readString(kSection, u"String", txtString->text()));
}

void TfrmSpecList::writeSettings(IniFile &ini) const
{
    ini.writeString(kSection, u"TitleStr", txtTitleStr->text());
    ini.writeString(kSection, u"String", txtString->text());
}

} // namespace qm
