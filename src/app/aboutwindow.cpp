#include "app/aboutwindow.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/application.h"

namespace qm {

TfrmAbout::TfrmAbout(const QString &settingsFolder, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(tr("О программе"));

    const QString folder = QDir::toNativeSeparators(settingsFolder).toHtmlEscaped();
    lblText_ = new QLabel(this);
    lblText_->setObjectName(QStringLiteral("lblText"));
    lblText_->setTextFormat(Qt::RichText);
    lblText_->setTextInteractionFlags(Qt::TextBrowserInteraction);
    lblText_->setText(
        tr("<h3>Quillmark v2</h3>"
           "<p>Версия %1</p>"
           "<p>Правка имён файлов и тегов ID3v1 и ID3v2 у многих аудиофайлов сразу.</p>"
           "<p>Программа предоставляется «как есть», без каких-либо гарантий.</p>"
           "<p>Собрана с Qt %2; Qt распространяется на условиях GNU LGPL версии 3 "
           "(подробности — кнопка «О Qt»).</p>"
           "<p>Папка настроек: %3</p>")
            .arg(programVersion(), QString::fromLatin1(qVersion()), folder));

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    btnAboutQt_ = buttons->addButton(tr("О Qt"), QDialogButtonBox::ActionRole);
    btnAboutQt_->setObjectName(QStringLiteral("btnAboutQt"));
    connect(btnAboutQt_, &QPushButton::clicked, this, [this] { QMessageBox::aboutQt(this); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblText_);
    layout->addWidget(buttons);
}

} // namespace qm
