#pragma once
// The clipboard as the windows use it: text in UTF-8, and lists of files as the desktop's file
// managers copy them (text/uri-list, and x-special/gnome-copied-files for GNOME's).
//
//   vcl::SetClipboardText(labDatecode->text().toStdString());
//   for (const std::string& path : vcl::ClipboardFiles()) list.Queue(path);
//   vcl::OnClipboardFilesChanged(this, [this](bool files) { afCollerFichiers->setEnabled(files); });
//
// Call on the GUI thread.
#include <QMetaObject>
#include <functional>
#include <string>
#include <vector>

class QMimeData;
class QObject;

namespace vcl {

void SetClipboardText(const std::string& text);
std::string ClipboardText();

// Puts local files on the clipboard as a file manager's copy (also as text, one path a line).
void SetClipboardFiles(const std::vector<std::string>& paths);
// The local files the clipboard holds, in order; none when it holds no file list.
std::vector<std::string> ClipboardFiles();
bool ClipboardHasFiles();
// The local files a clipboard's or a drop's data lists, in order.
std::vector<std::string> FilesOf(const QMimeData* data);

// Calls `changed` with ClipboardHasFiles() whenever the clipboard changes, while `context` lives.
QMetaObject::Connection OnClipboardFilesChanged(QObject* context, std::function<void(bool hasFiles)> changed);

} // namespace vcl
