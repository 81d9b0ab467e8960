#include "process/posixlauncher.h"

#include "desktop/autostart.h"
#include "desktop/desktopentry.h"
#include "desktop/programsearch.h"
#include "desktop/systemerror.h"
#include "process/commandsplit.h"
#include "process/giohandles.h"
#include "process/uniquefd.h"

#include <QAbstractEventDispatcher>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/epoll.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace velmora {

namespace {

int openPidfd(pid_t pid) {
#ifdef SYS_pidfd_open
    return int(::syscall(SYS_pidfd_open, pid, 0));  // always close-on-exec
#else
    (void)pid;
    errno = ENOSYS;
    return -1;
#endif
}

// true when pid has ended and is reaped now, or when it is no waitable child
// any more (SIGCHLD ignored makes the kernel reap it): nothing left to wait for.
bool reapIfEnded(pid_t pid) {
    for (;;) {
        const pid_t r = ::waitpid(pid, nullptr, WNOHANG);
        if (r == pid) return true;
        if (r == 0) return false;
        if (errno != EINTR) return true;
    }
}

void waitBlocking(pid_t pid) {
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

// Standard input from /dev/null, no descriptor beyond 0-2 (whoever opened it
// without O_CLOEXEC), and optionally another working directory.
class FileActions {
public:
    explicit FileActions(const QByteArray& workingDirectory = {}) {
        ::posix_spawn_file_actions_init(&m_actions);
        if (!workingDirectory.isEmpty())
            ::posix_spawn_file_actions_addchdir_np(&m_actions, workingDirectory.constData());
        ::posix_spawn_file_actions_addopen(&m_actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        ::posix_spawn_file_actions_addclosefrom_np(&m_actions, STDERR_FILENO + 1);
    }
    ~FileActions() { ::posix_spawn_file_actions_destroy(&m_actions); }
    FileActions(const FileActions&) = delete;
    FileActions& operator=(const FileActions&) = delete;
    const posix_spawn_file_actions_t* get() const { return &m_actions; }

private:
    posix_spawn_file_actions_t m_actions;
};

// A session of its own (so that the program outlives the launcher and its
// terminal), default dispositions for every signal (ignored ones included,
// which exec would otherwise pass on) and an empty signal mask.
class SpawnAttributes {
public:
    SpawnAttributes() {
        ::posix_spawnattr_init(&m_attr);
        sigset_t all;
        ::sigfillset(&all);
        ::posix_spawnattr_setsigdefault(&m_attr, &all);
        sigset_t none;
        ::sigemptyset(&none);
        ::posix_spawnattr_setsigmask(&m_attr, &none);
        ::posix_spawnattr_setflags(&m_attr,
                                   POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    }
    ~SpawnAttributes() { ::posix_spawnattr_destroy(&m_attr); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    const posix_spawnattr_t* get() const { return &m_attr; }

private:
    posix_spawnattr_t m_attr;
};

QString describe(const GError* error) {
    return error ? QString::fromUtf8(error->message) : QStringLiteral("unknown error");
}

// A Desktop Entry is launched as its Exec says, never executed itself.
bool isEntryFile(const QString& file) {
    if (!file.endsWith(kDesktopEntrySuffix)) return false;
    struct stat st {};
    return ::stat(QFile::encodeName(file).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

// What a scope is named after: the desktop file ID without ".desktop", else
// the program's file name.
QString applicationName(GAppInfo* app) {
    QString id = desktopEntryStem(QString::fromUtf8(g_app_info_get_id(app)));
    if (id.isEmpty()) id = QFileInfo(QString::fromLocal8Bit(g_app_info_get_executable(app))).fileName();
    return id;
}

// Who learns of a program that GIO started, and under which name.
struct LaunchAdoption {
    ProcessScopes* scopes;
    QString name;
};

// GAppLaunchContext's "launched": the platform data holds the process id.
void adoptLaunched(GAppLaunchContext*, GAppInfo*, GVariant* platformData, gpointer data) {
    const auto* adoption = static_cast<const LaunchAdoption*>(data);
    gint32 pid = 0;
    if (platformData && g_variant_lookup(platformData, "pid", "i", &pid) && pid > 0)
        adoption->scopes->adopt(adoption->name, pid_t(pid));
}

constexpr int kSweepIntervalMs = 200;
constexpr std::size_t kMaxWatchedChildren = 256;

}  // namespace

struct PosixLauncher::Impl {
    explicit Impl(ProcessScopes* s) : scopes(s) {}

    struct Child {
        pid_t pid;
        UniqueFd pidfd;  // registered in `ended` while valid
    };

    ProcessScopes* scopes;
    PathSearch path;
    SpawnAttributes attributes;
    FileActions actions;
    // Readable while some registered child pidfd is readable (that child has
    // ended): one descriptor for the event loop however many children run.
    UniqueFd ended{::epoll_create1(EPOLL_CLOEXEC)};
    std::vector<Child> children;
    // Declared after `ended` so that it goes first.
    std::unique_ptr<QSocketNotifier> notifier;
    // For children without a pidfd (pidfd_open unavailable or out of descriptors).
    std::unique_ptr<QTimer> sweep;

    LaunchResult spawn(const QByteArray& file, const QString& argv0, const QStringList& arguments,
                       const QString& workingDirectory, pid_t* pid);
    LaunchResult spawnCommandLine(const QString& commandLine, pid_t* pid);
    void adopt(pid_t pid);
    void reapChild(pid_t pid);
    void reapEnded();
    void watchEnded();
    void startSweep();
    void waitFor(pid_t pid);
    LaunchResult spawnDesktopEntry(const QString& file, pid_t* pid);
    LaunchResult openWithDefaultApplication(const QByteArray& file);
};

LaunchResult PosixLauncher::Impl::spawn(const QByteArray& file, const QString& argv0,
                                        const QStringList& arguments, const QString& workingDirectory,
                                        pid_t* pid) {
    std::vector<QByteArray> bytes;
    bytes.reserve(std::size_t(arguments.size()) + 1);
    bytes.push_back(QFile::encodeName(argv0));
    for (const QString& argument : arguments) bytes.push_back(QFile::encodeName(argument));
    std::vector<char*> argv;
    argv.reserve(bytes.size() + 1);
    for (QByteArray& b : bytes) argv.push_back(b.data());
    argv.push_back(nullptr);

    std::optional<FileActions> elsewhere;
    if (!workingDirectory.isEmpty()) elsewhere.emplace(QFile::encodeName(workingDirectory));
    const posix_spawn_file_actions_t* fileActions = elsewhere ? elsewhere->get() : actions.get();

    // glibc reports a failing exec (ENOENT, EACCES, ENOEXEC, ...) here, before
    // it returns, and does not run a script without "#!" through a shell.
    const int rc = ::posix_spawn(pid, file.constData(), fileActions, attributes.get(), argv.data(), environ);
    if (rc != 0) return {false, systemErrorText(rc)};
    if (scopes) scopes->adopt(QFileInfo(argv0).fileName(), *pid);
    return {true, {}};
}

LaunchResult PosixLauncher::Impl::spawnCommandLine(const QString& commandLine, pid_t* pid) {
    const SplitCommand split = splitCommandLine(commandLine, [](const QString& whole) {
        struct stat st {};
        return ::stat(QFile::encodeName(whole).constData(), &st) == 0;
    });
    if (split.program.isEmpty()) return {false, QStringLiteral("empty command")};
    // An entry file may carry the execute bit and begin with "#!"; run as a
    // program it would do what its text says, not what its Exec says.
    if (isEntryFile(split.program)) return spawnDesktopEntry(split.program, pid);
    QByteArray resolved;
    if (split.program.contains(QLatin1Char('/'))) {
        resolved = QFile::encodeName(split.program);  // posix_spawn tells what is wrong
    } else {
        resolved = path.resolveExecutable(split.program);
        if (resolved.isEmpty()) return {false, systemErrorText(ENOENT)};
    }
    return spawn(resolved, split.program, split.arguments, {}, pid);
}

void PosixLauncher::Impl::watchEnded() {
    if (notifier || !ended.valid() || !QAbstractEventDispatcher::instance()) return;
    notifier = std::make_unique<QSocketNotifier>(ended.get(), QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, notifier.get(), [this] { reapEnded(); });
}

void PosixLauncher::Impl::startSweep() {
    if (!QAbstractEventDispatcher::instance()) return;  // the next call sweeps instead
    if (!sweep) {
        sweep = std::make_unique<QTimer>();
        sweep->setInterval(kSweepIntervalMs);
        QObject::connect(sweep.get(), &QTimer::timeout, sweep.get(), [this] { reapEnded(); });
    }
    if (!sweep->isActive()) sweep->start();
}

void PosixLauncher::Impl::adopt(pid_t pid) {
    watchEnded();
    // A descriptor per running child, but never so many that the rest of the
    // program runs out of them: past the cap the sweep takes over.
    UniqueFd pidfd(ended.valid() && children.size() < kMaxWatchedChildren ? openPidfd(pid) : -1);
    if (pidfd.valid()) {
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.u64 = std::uint64_t(std::uint32_t(pid));
        if (::epoll_ctl(ended.get(), EPOLL_CTL_ADD, pidfd.get(), &event) != 0) pidfd.reset();
    }
    const bool swept = !pidfd.valid();
    children.push_back({pid, std::move(pidfd)});
    if (swept) startSweep();
}

void PosixLauncher::Impl::reapChild(pid_t pid) {
    for (std::size_t i = 0; i < children.size(); ++i) {
        if (children[i].pid != pid) continue;
        if (reapIfEnded(pid)) {
            // Closing the pidfd also takes it out of the epoll set.
            children[i] = std::move(children.back());
            children.pop_back();
        } else {
            // Readable but not waitable: never let it keep the notifier firing.
            children[i].pidfd.reset();
            startSweep();
        }
        return;
    }
}

void PosixLauncher::Impl::reapEnded() {
    if (ended.valid()) {
        epoll_event events[32];
        for (;;) {
            const int n = ::epoll_wait(ended.get(), events, 32, 0);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            for (int i = 0; i < n; ++i) reapChild(pid_t(std::uint32_t(events[i].data.u64)));
            if (n < 32) break;
        }
    }
    bool sweptLeft = false;
    for (std::size_t i = 0; i < children.size();) {
        if (!children[i].pidfd.valid()) {
            if (reapIfEnded(children[i].pid)) {
                children[i] = std::move(children.back());
                children.pop_back();
                continue;
            }
            sweptLeft = true;
        }
        ++i;
    }
    if (!sweptLeft && sweep) sweep->stop();
}

void PosixLauncher::Impl::waitFor(pid_t pid) {
    if (!QAbstractEventDispatcher::instance()) {
        waitBlocking(pid);
        return;
    }
    QEventLoop loop;
    bool done = false;
    QTimer poll;  // only without a usable pidfd
    poll.setInterval(kSweepIntervalMs);
    const auto check = [&] {
        if (!done && reapIfEnded(pid)) {
            done = true;
            loop.quit();
        }
    };
    QObject::connect(&poll, &QTimer::timeout, &loop, check);

    UniqueFd pidfd(openPidfd(pid));
    std::optional<QSocketNotifier> notifier;
    if (pidfd.valid()) {
        notifier.emplace(pidfd.get(), QSocketNotifier::Read);
        QObject::connect(&*notifier, &QSocketNotifier::activated, &loop, [&] {
            check();
            if (!done) {
                notifier->setEnabled(false);
                poll.start();
            }
        });
    } else {
        poll.start();
    }
    check();  // it may have ended already
    // The loop also returns when the application asks every loop to quit; the
    // contract is to return when the program has ended, so go on waiting.
    while (!done) loop.exec();
}

LaunchResult PosixLauncher::Impl::spawnDesktopEntry(const QString& file, pid_t* pid) {
    const auto refused = [](const QString& why) { return LaunchResult{false, why, true}; };
    const QString absolute = QFileInfo(file).absoluteFilePath();
    // Some applications write their autostart entry again when their "start
    // at login" option is switched on; the desktop then starts it already.
    const QString again = startedByTheDesktop(absolute, QProcessEnvironment::systemEnvironment());
    if (!again.isEmpty()) {
        return refused(QStringLiteral("%1 is back in the autostart folder, so the desktop starts it; "
                                      "\"velmora /REINSTALL\" and Install move it again")
                           .arg(again));
    }
    // The same judgement Install makes before it moves an entry.
    const DesktopLaunchPlan plan = planDesktopEntryFile(absolute, DesktopEnvironment::fromProcess());
    if (!plan.start) return refused(plan.reason);

    const QString& program = plan.argv.first();
    const QByteArray resolved = QFile::encodeName(plan.program);
    LaunchResult started = spawn(resolved, program, plan.argv.mid(1), plan.workingDirectory, pid);
    started.desktopEntry = true;
    if (!started.ok) started.error = QStringLiteral("%1: %2").arg(program, started.error);
    return started;
}

LaunchResult PosixLauncher::Impl::openWithDefaultApplication(const QByteArray& file) {
    const GObjectPtr<GFile> gfile(g_file_new_for_path(file.constData()));
    GError* rawError = nullptr;
    const GObjectPtr<GFileInfo> info(g_file_query_info(gfile.get(), G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE,
                                                       G_FILE_QUERY_INFO_NONE, nullptr, &rawError));
    GErrorPtr error(rawError);
    if (!info) return {false, describe(error.get())};
    const char* type = g_file_info_get_content_type(info.get());
    if (!type) return {false, QStringLiteral("the file type is unknown")};
    const GObjectPtr<GAppInfo> app(g_app_info_get_default_for_type(type, FALSE));
    if (!app) return {false, QStringLiteral("no application is set to open %1").arg(QString::fromUtf8(type))};

    // GIO starts the application through an intermediate process that it
    // reaps itself, so the application never becomes a child of ours.
    GList files{};
    files.data = gfile.get();
    rawError = nullptr;
    // Only GIO knows the application's process; it names it in "launched".
    const GObjectPtr<GAppLaunchContext> context(g_app_launch_context_new());
    LaunchAdoption adoption{scopes, applicationName(app.get())};
    if (scopes) g_signal_connect(context.get(), "launched", G_CALLBACK(adoptLaunched), &adoption);
    const bool launched = g_app_info_launch(app.get(), &files, context.get(), &rawError);
    g_signal_handlers_disconnect_by_data(context.get(), &adoption);
    error.reset(rawError);
    if (!launched) return {false, describe(error.get())};
    return {true, {}};
}

PosixLauncher::PosixLauncher(ProcessScopes* scopes) : d(std::make_unique<Impl>(scopes)) {}

PosixLauncher::~PosixLauncher() { d->reapEnded(); }

LaunchResult PosixLauncher::startDetached(const QString& commandLine) {
    return start(commandLine, [this](pid_t pid) { d->adopt(pid); });
}

LaunchResult PosixLauncher::startAndWait(const QString& commandLine) {
    return start(commandLine, [this](pid_t pid) { d->waitFor(pid); });
}

LaunchResult PosixLauncher::start(const QString& commandLine, const std::function<void(pid_t)>& started) {
    d->reapEnded();
    pid_t pid = 0;
    LaunchResult result = d->spawnCommandLine(commandLine, &pid);
    if (result.ok) started(pid);
    return result;
}

LaunchResult PosixLauncher::openDocument(const QString& file) {
    d->reapEnded();
    if (file.isEmpty()) return {false, QStringLiteral("empty file name")};
    const QByteArray name = QFile::encodeName(file);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0) return {false, systemErrorText(errno)};
    if (isEntryFile(file)) {
        pid_t pid = 0;
        LaunchResult result = d->spawnDesktopEntry(file, &pid);
        if (result.ok) d->adopt(pid);
        return result;
    }
    return d->openWithDefaultApplication(name);
}

}  // namespace velmora
