// quillon: the program. Checks that a display can be had before Qt is asked for one, so a
// start without a display ends with one clear line instead of Qt's abort.
//
// --exit-after-paint (or QUILLON_EXIT_AFTER_PAINT=1) ends the program normally right after
// the first page has been painted: the start-up benchmark times the whole process with it.
//
// quillon [mailto:...] [FILE...]: starts with the link's fields filled in and the files
// attached (shell/CStartRequest.h); --help prints the usage.

#include "shell/CMailWizard.h"
#include "shell/CQuillonApp.h"
#include "shell/CWizardPage.h"
#include "model/CPath.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

// Narrow literals are code page 932 in this project; the terminal gets UTF-8.
#define UTF8(text) reinterpret_cast<const char*>(u8##text)

const char* const kHeadlessHint =
    UTF8("画面なしで試すには: xvfb-run -a quillon、または quillon -platform vnc（VNC ビューアで localhost:5900 に接続）");

bool Empty(const char* value)
{
    return value == nullptr || value[0] == '\0';
}

// The platform Qt will use: -platform NAME, else QT_QPA_PLATFORM, else the default.
std::string PlatformName(int argc, char** argv)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return argv[i + 1];
    const char* env = std::getenv("QT_QPA_PLATFORM");
    return Empty(env) ? std::string() : std::string(env);
}

bool NeedsDisplay(const std::string& platform)
{
    const std::string name = platform.substr(0, platform.find(':'));
    return name.empty() || name == "xcb" || name.rfind("wayland", 0) == 0;
}

// Qt ends the process with an abort when no platform plugin can start; this says why in
// one line and ends with exit code 2 instead.
void OnQtMessage(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, UTF8("quillon: 画面を開けませんでした（%s）。\n%s\n"),
                     message.section(QLatin1Char('\n'), 0, 0).toUtf8().constData(), kHeadlessHint);
        std::fflush(stderr);
        _exit(2);
    }
    std::fprintf(stderr, "%s\n", message.toUtf8().constData());
}

const char* const kUsage = UTF8(
    "使い方: quillon [オプション] [mailto:リンク] [ファイル...]\n"
    "  mailto:リンク         宛先、CC、BCC、件名、本文を入れた新規メールで始めます（RFC 6068）。\n"
    "                        attach= で指定されたファイルは、確認のあとで添付します。\n"
    "  ファイル...           そのファイルを添付した新規メールで始めます。\n"
    "  --                    これより後ろはすべてファイル名として扱います。\n"
    "  --exit-after-paint    最初のページを表示したら終了します（起動時間の計測用）。\n"
    "  --help                この説明を表示します。\n");

std::string WorkingFolder()
{
    std::string folder(4096, '\0');
    while (::getcwd(folder.data(), folder.size()) == nullptr) {
        if (errno != ERANGE)
            return std::string();
        folder.resize(folder.size() * 2);
    }
    folder.resize(std::strlen(folder.c_str()));
    return folder;
}

class ExitAfterPaint : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !done_) {
            done_ = true;
            QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
        }
        return false;
    }

private:
    bool done_ = false;
};

}  // namespace

int main(int argc, char** argv)
{
    bool exitAfterPaint = !Empty(std::getenv("QUILLON_EXIT_AFTER_PAINT"));
    std::vector<char*> args;
    bool files = false;  // after "--" every argument is a file
    for (int i = 0; i < argc; ++i) {
        if (!files && std::strcmp(argv[i], "--") == 0)
            files = true;
        if (!files && std::strcmp(argv[i], "--exit-after-paint") == 0) {
            exitAfterPaint = true;
        } else if (!files && (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)) {
            std::fputs(kUsage, stdout);
            return 0;
        } else {
            args.push_back(argv[i]);
        }
    }
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);

    if (NeedsDisplay(PlatformName(count, args.data())) && Empty(std::getenv("DISPLAY")) &&
        Empty(std::getenv("WAYLAND_DISPLAY"))) {
        std::fprintf(stderr, UTF8("quillon: 表示する画面がありません（DISPLAY も WAYLAND_DISPLAY も設定されていません）。\n%s\n"),
                     kHeadlessHint);
        return 2;
    }

    qInstallMessageHandler(OnQtMessage);
    QApplication application(count, args.data());
    qInstallMessageHandler(nullptr);
    QApplication::setApplicationName(QStringLiteral(u"Quillon"));
    QApplication::setOrganizationName(QStringLiteral(u"Velto"));
    // The installed .desktop entry (app/res/desktop): Wayland finds the icon and name by it.
    QGuiApplication::setDesktopFileName(QStringLiteral(u"jp.velto.Quillon"));

    CQuillonApp app;
    // What Qt left of the arguments (it takes its own, such as -platform).
    app.SetStartArguments(std::vector<std::string>(args.begin() + 1, args.begin() + count),
                          CPath::FromNative(WorkingFolder()));
    if (!app.InitInstance()) {
        app.ExitInstance();
        return 1;
    }
    ExitAfterPaint watcher;
    if (exitAfterPaint) {
        if (CWizardPage* page = app.GetWizard()->GetCurrentPage())
            page->installEventFilter(&watcher);
    }
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock,
                     [&app] { app.OnIdle(); });
    const int code = QApplication::exec();
    const int shutdown = app.ExitInstance();
    return code != 0 ? code : shutdown;
}
