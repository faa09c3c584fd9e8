#include "app/codepagedialog.h"

#include "app/gridediting.h"
#include "app/gridmodel.h"
#include "app/mainwindow.h"
#include "app/repairdialog.h"
#include "formats/codepage.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace qm {
namespace {

// The code pages old Russian tags were written in, and Latin-1 for the
// tags of Western taggers, by the names the code page tables know.
struct Choice {
    const char *name;
    const char *caption;
};
constexpr Choice kChoices[] = {
    {"windows-1251", "Windows-1251"},
    {"KOI8-R", "KOI8-R"},
    {"IBM866", "CP866 (DOS)"},
    {"windows-1252", "Windows-1252 (Latin-1)"},
};

} // namespace

TfrmCodepage::TfrmCodepage(const QString &current, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmCodepage"));
    setWindowTitle(tr("Кодовая страница"));
    lstCodepages_ = new QListWidget(this);
    lstCodepages_->setObjectName(QStringLiteral("lstCodepages"));
    auto *options =
        new QListWidgetItem(tr("Как в настройках (%1)").arg(LegacyCodepage::name()), lstCodepages_);
    lstCodepages_->setCurrentItem(options);
    for (const Choice &choice : kChoices) {
        auto *item = new QListWidgetItem(QString::fromLatin1(choice.caption), lstCodepages_);
        const QString name = QString::fromLatin1(choice.name);
        item->setData(Qt::UserRole, name);
        if (name.compare(current, Qt::CaseInsensitive) == 0)
            lstCodepages_->setCurrentItem(item);
    }
    lstCodepages_->setFocus();
    connect(lstCodepages_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(QDialogButtonBox::Ok);
    ok->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel)->setText(tr("Отмена"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(tr("Старые теги файлов выделенных строк читать в кодовой странице:"), this));
    layout->addWidget(lstCodepages_, 1);
    layout->addWidget(buttons);
}

QString TfrmCodepage::chosen() const
{
    const QListWidgetItem *item = lstCodepages_->currentItem();
    return item ? item->data(Qt::UserRole).toString() : QString();
}

void connectCodepageCommand(TfrmTagEditor &window)
{
    auto *command = new QAction(TfrmTagEditor::tr("Кодовая страница…"), &window);
    command->setObjectName(QStringLiteral("aCodepage"));
    command->setStatusTip(
        TfrmTagEditor::tr("Кодовая страница старых тегов файлов выделенных строк"));
    // Beside the repair of mangled text.
    addToTextMenus(window, command);
    Session &session = window.session();
    window.gridModel()->setRowCodepage([&session](int row) { return session.rowCodepage(row); });
    QObject::connect(command, &QAction::triggered, &window, [&window] {
        Session &session = window.session();
        if (session.busy())
            return;
        const RowTable &table = session.table();
        const CellRect selected = window.editing().selection().fileCells(table);
        if (selected.top > selected.bottom || !table.isFileRow(selected.top))
            return;
        TfrmCodepage dialog(session.rowCodepage(selected.top), &window);
        if (dialog.exec() == QDialog::Accepted)
            session.chooseCodepage(selected.top, selected.bottom, dialog.chosen());
    });
}

} // namespace qm
