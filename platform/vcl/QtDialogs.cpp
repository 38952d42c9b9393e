#include "platform/vcl/QtDialogs.h"

#include <QFileDialog>
#include <QRegularExpression>
#include <algorithm>

#include "platform/vcl/FontDialog.h"
#include "platform/vcl/QtPrompter.h"

namespace vcl {

namespace {

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

// A file dialog preset as the request says.
void Preset(QFileDialog& dialog, const std::string& filter, int filterIndex, const std::string& fileName)
{
    const QStringList filters = QtNameFilters(filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        dialog.selectNameFilter(filters.at(std::clamp<qsizetype>(filterIndex - 1, 0, filters.size() - 1)));
    }
    if (!fileName.empty())
        dialog.selectFile(Q(fileName));
}

std::vector<std::string> Chosen(const QFileDialog& dialog)
{
    std::vector<std::string> files;
    for (const QString& f : dialog.selectedFiles())
        files.push_back(f.toStdString());
    return files;
}

} // namespace

QStringList QtNameFilters(const std::string& filter)
{
    static const QRegularExpression kBracketed(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    const QStringList parts = Q(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        description.remove(kBracketed);
        QStringList patterns;
        for (QString p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            p = p.trimmed();
            patterns.append(p == QLatin1String("*.*") ? QStringLiteral("*") : p);
        }
        filters.append(description.trimmed() + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')'));
    }
    return filters;
}

shell::ModalResult QtDialogs::MessageDlg(const std::string& text, shell::MsgDlgType type, shell::MsgDlgButtons buttons)
{
    return QtPrompter(parent_).MessageDlg(text, type, buttons);
}

std::optional<std::vector<std::string>> QtDialogs::OpenFiles(const OpenRequest& request)
{
    QFileDialog dialog(parent_, Q(request.title), Q(request.initialDir));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.multiSelect ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    Preset(dialog, request.filter, request.filterIndex, request.fileName);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return Chosen(dialog);
}

std::optional<std::string> QtDialogs::AskSaveName(const SaveRequest& request)
{
    QFileDialog dialog(parent_, Q(request.title), Q(request.initialDir));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite); // SaveFile asks, when the request wants it
    Preset(dialog, request.filter, request.filterIndex, request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst().toStdString();
}

std::optional<std::string> QtDialogs::SelectFolder(const FolderRequest& request)
{
    QFileDialog dialog(parent_, Q(request.title), Q(request.initialDir));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst().toStdString();
}

std::optional<rtl::FontSpec> QtDialogs::ChooseFont(const rtl::FontSpec& font)
{
    FontColorDialog dialog(parent_);
    dialog.SetSpec(font);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Spec();
}

} // namespace vcl
