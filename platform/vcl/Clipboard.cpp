#include "platform/vcl/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

namespace vcl {

namespace {

constexpr const char* kUriList = "text/uri-list";
constexpr const char* kGnomeFiles = "x-special/gnome-copied-files";

QClipboard& Board()
{
    return *QGuiApplication::clipboard();
}

// GNOME's list: "copy" or "cut", then one URL a line.
std::vector<std::string> GnomeFiles(const QByteArray& data)
{
    std::vector<std::string> paths;
    const QList<QByteArray> lines = data.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QUrl url = QUrl::fromEncoded(lines[i].trimmed());
        if (url.isLocalFile())
            paths.push_back(url.toLocalFile().toStdString());
    }
    return paths;
}

} // namespace

void SetClipboardText(const std::string& text)
{
    Board().setText(QString::fromStdString(text));
}

std::string ClipboardText()
{
    return Board().text().toStdString();
}

void SetClipboardFiles(const std::vector<std::string>& paths)
{
    QList<QUrl> urls;
    QByteArray gnome = "copy";
    QString text;
    for (const std::string& p : paths) {
        const QUrl url = QUrl::fromLocalFile(QString::fromStdString(p));
        urls.append(url);
        gnome += '\n' + url.toEncoded();
        text += QString::fromStdString(p) + '\n';
    }
    auto* data = new QMimeData; // the clipboard takes it
    data->setUrls(urls);
    data->setData(kGnomeFiles, gnome);
    data->setText(text);
    Board().setMimeData(data);
}

std::vector<std::string> ClipboardFiles()
{
    return FilesOf(Board().mimeData());
}

std::vector<std::string> FilesOf(const QMimeData* data)
{
    if (!data)
        return {};
    if (data->hasFormat(kUriList)) {
        std::vector<std::string> paths;
        for (const QUrl& url : data->urls())
            if (url.isLocalFile())
                paths.push_back(url.toLocalFile().toStdString());
        return paths;
    }
    if (data->hasFormat(kGnomeFiles))
        return GnomeFiles(data->data(kGnomeFiles));
    return {};
}

bool ClipboardHasFiles()
{
    return !ClipboardFiles().empty();
}

QMetaObject::Connection OnClipboardFilesChanged(QObject* context, std::function<void(bool hasFiles)> changed)
{
    return QObject::connect(&Board(), &QClipboard::dataChanged, context,
                            [changed = std::move(changed)] { changed(ClipboardHasFiles()); });
}

} // namespace vcl
