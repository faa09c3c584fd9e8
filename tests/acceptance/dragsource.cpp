// A second X client for the acceptance flows: a small window that, when
// pressed, drags the file named on its command line (text/uri-list) as a
// file manager does, so that the drop reaches the program through the
// desktop's own drag and drop. Prints the drop's outcome and ends.

#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QTextStream>
#include <QTimer>
#include <QUrl>
#include <QWidget>

namespace {

class DragSource : public QWidget {
public:
    explicit DragSource(const QString &file) : file_(file)
    {
        setWindowTitle(QStringLiteral("drag source"));
        resize(160, 100);
    }

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        if (event->button() != Qt::LeftButton)
            return;
        auto *data = new QMimeData;
        data->setUrls({QUrl::fromLocalFile(file_)});
        auto *drag = new QDrag(this);
        drag->setMimeData(data);
        const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::LinkAction, Qt::CopyAction);
        QTextStream(stdout) << (action == Qt::IgnoreAction ? "ignored" : "dropped") << Qt::endl;
        // The drop's target asks for the data after the drag has ended here:
        // like a file manager, the source stays to give it.
        QTimer::singleShot(3000, qApp, &QApplication::quit);
    }

private:
    QString file_;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc != 2)
        return 2;
    DragSource source(QString::fromLocal8Bit(argv[1]));
    source.show();
    QTextStream(stdout) << "shown " << source.winId() << Qt::endl;
    return app.exec();
}
