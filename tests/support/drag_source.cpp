// quillon-drag-source FILE: a small window (titled "quillon-drag-source", near the screen's
// bottom right) that starts a drag of FILE as text/uri-list when the mouse is pressed in it, as a
// file manager or a mail reader would. Under Xvfb, xdotool presses the mouse here and lets
// it go over the program, which then gets a real XDND drop. Ends a few seconds after the drag.

#include <QApplication>
#include <QDrag>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>

#include <cstdio>

namespace {

class DragSource : public QLabel {
public:
    explicit DragSource(const QString& file) : QLabel(file), m_file(file)
    {
        setWindowTitle(QStringLiteral("quillon-drag-source"));
        setFixedSize(240, 80);
        move(1000, 900);
    }

protected:
    void mousePressEvent(QMouseEvent*) override
    {
        auto* data = new QMimeData;
        data->setUrls({QUrl::fromLocalFile(m_file)});
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        std::printf("dragging\n");  // the driver moves the pointer once it reads this
        std::fflush(stdout);
        const Qt::DropAction done = drag->exec(Qt::CopyAction);
        std::printf("%s\n", done == Qt::CopyAction ? "dropped" : "not dropped");
        std::fflush(stdout);
        // The target asks for the data after the drop has ended here: stay a while to answer.
        QTimer::singleShot(5000, qApp, &QApplication::quit);
    }

private:
    QString m_file;
};

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: quillon-drag-source FILE\n");
        return 2;
    }
    DragSource window(QString::fromLocal8Bit(argv[1]));
    window.show();
    return app.exec();
}
