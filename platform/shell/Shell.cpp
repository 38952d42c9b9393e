#include "platform/shell/Shell.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QSysInfo>
#include <climits>
#include <unistd.h>

namespace shell {

namespace {

QString ToQt(const std::string& s)
{
    // File names are bytes; decodeName maps them the way QFile will encode them back.
    return QFile::decodeName(QByteArray(s.data(), static_cast<qsizetype>(s.size())));
}

std::string FromQt(const QString& s)
{
    const QByteArray b = QFile::encodeName(s);
    return std::string(b.constData(), static_cast<size_t>(b.size()));
}

std::string WithoutTrailingSlash(std::string s)
{
    while (s.size() > 1 && s.back() == '/')
        s.pop_back();
    return s;
}

} // namespace

bool MoveToTrash(const std::string& path)
{
    if (path.empty())
        return false;
    const QString source = ToQt(path);
    // Qt cannot set up the home trash when the data folder itself is missing.
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    QString inTrash;
    if (!QFile::moveToTrash(source, &inTrash))
        return false;
    if (QFileInfo(inTrash).isAbsolute())
        return true;
    // Without a usable trash Qt 6.4 moves the file to "files/" under the working folder and
    // reports success: put it back and report the failure.
    QFile::rename(inTrash, source);
    const QFileInfo stray(inTrash);
    const QString filesDir = stray.absolutePath();
    const QString infoDir = QFileInfo(filesDir).absolutePath() + QStringLiteral("/info");
    QFile::remove(infoDir + QLatin1Char('/') + stray.fileName() + QStringLiteral(".trashinfo"));
    QDir().rmdir(filesDir); // only when empty
    QDir().rmdir(infoDir);
    return false;
}

std::string DocumentsFolder()
{
    const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!docs.isEmpty() && QFileInfo(docs).isDir())
        return WithoutTrailingSlash(FromQt(docs));
    return WithoutTrailingSlash(FromQt(QDir::homePath()));
}

std::string ApplicationsFolder()
{
    return WithoutTrailingSlash(FromQt(QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation)));
}

std::string ExecutablePath()
{
    char buf[PATH_MAX + 1];
    const ssize_t n = readlink("/proc/self/exe", buf, PATH_MAX);
    return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

std::string OsVersionName()
{
    QString name = QSysInfo::prettyProductName();
    if (name.isEmpty())
        name = QSysInfo::kernelType();
    return FromQt(name) + " - kernel " + QSysInfo::kernelVersion().toStdString();
}

bool OpenDocument(const std::string& target)
{
    if (target.empty())
        return false;
    return QProcess::startDetached(QStringLiteral("xdg-open"), QStringList{ToQt(target)});
}

bool StartProgram(const std::string& program, const std::vector<std::string>& arguments)
{
    if (program.empty())
        return false;
    QStringList args;
    for (const auto& a : arguments)
        args << ToQt(a);
    return QProcess::startDetached(ToQt(program), args);
}

} // namespace shell
