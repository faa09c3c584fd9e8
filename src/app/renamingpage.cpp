#include "app/renamingpage.h"

#include "options/options.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace qm {

RenamingPage::RenamingPage(Options &options, QWidget *parent)
    : QWidget(parent), options_(options),
      chbMoveCompanions_(new QCheckBox(tr("Перемещать с альбомом его остальные файлы"), this)),
      edtCompanionPatterns_(new QLineEdit(this)),
      chbShowMovePlan_(new QCheckBox(tr("Показывать план перед перемещением файлов"), this))
{
    setObjectName(QStringLiteral("tshRenaming"));
    chbMoveCompanions_->setObjectName(QStringLiteral("chbMoveCompanions"));
    chbMoveCompanions_->setToolTip(
        tr("Когда все файлы папки уходят в одну новую папку, с ними уходят обложки, "
           ".cue, .log и другие файлы по шаблонам ниже"));
    edtCompanionPatterns_->setObjectName(QStringLiteral("edtCompanionPatterns"));
    chbShowMovePlan_->setObjectName(QStringLiteral("chbShowMovePlan"));
    auto *label = new QLabel(tr("Шаблоны остальных файлов альбома (через «;»):"), this);
    label->setBuddy(edtCompanionPatterns_);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(chbMoveCompanions_);
    layout->addWidget(label);
    layout->addWidget(edtCompanionPatterns_);
    layout->addWidget(chbShowMovePlan_);
    layout->addStretch();

    connect(chbMoveCompanions_, &QCheckBox::clicked, this,
            [this](bool on) { options_.setMoveCompanions(on); });
    connect(edtCompanionPatterns_, &QLineEdit::editingFinished, this, [this] {
        // No patterns at all would be the default list again on reading.
        const QString text = edtCompanionPatterns_->text().trimmed();
        options_.setCompanionPatterns(
            text.isEmpty() ? QString::fromUtf16(Options::kDefaultCompanionPatterns) : text);
        edtCompanionPatterns_->setText(options_.companionPatterns());
    });
    connect(chbShowMovePlan_, &QCheckBox::clicked, this,
            [this](bool on) { options_.setShowMovePlan(on); });
    sync();
}

void RenamingPage::sync()
{
    chbMoveCompanions_->setChecked(options_.moveCompanions());
    edtCompanionPatterns_->setText(options_.companionPatterns());
    chbShowMovePlan_->setChecked(options_.showMovePlan());
}

} // namespace qm
