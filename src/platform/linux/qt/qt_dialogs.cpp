// comdlg32's colour, open-file and save-file dialogs on Linux, built on Qt.
#include "platform/linux/qt/qt_dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QFile>
#include <QFileDialog>
#include <QWidget>
#include <cstring>
#include <vector>

#include "platform/linux/form/form_conventions.h"
#include "platform/linux/qt/qt_form.h"

namespace scriblane::linuxp {
namespace {

constexpr std::uint32_t kOfnOverwritePrompt = 0x2;
constexpr std::uint32_t kOfnFileMustExist = 0x1000;

// The owner window of a dialog: the widget of that native id, else the
// window the user works in.
QWidget* OwnerOf(Handle hwnd) {
    if (hwnd != 0) {
        if (QWidget* w = QWidget::find(static_cast<WId>(hwnd))) return w->window();
    }
    return QApplication::activeWindow();
}

QColor ToQColor(ColorRef color) {
    const Rgb rgb = ColorRefToRgb(color);
    return QColor(rgb.r, rgb.g, rgb.b);
}

ColorRef FromQColor(const QColor& color) {
    return RgbToColorRef(Rgb{color.red(), color.green(), color.blue()});
}

}  // namespace

std::string QtFilterFrom(const char* filter) {
    std::string out;
    if (filter == nullptr) return out;
    const char* p = filter;
    while (*p != '\0') {
        const std::string name(p);
        p += name.size() + 1;
        if (*p == '\0') break;  // a name without patterns ends the list
        const std::string patterns(p);
        p += patterns.size() + 1;
        std::string qtPatterns;
        for (char c : patterns) qtPatterns.push_back(c == ';' ? ' ' : c);
        // A name that already lists its patterns keeps them once.
        std::string entry = name;
        if (name.find('(') == std::string::npos) entry += " (" + qtPatterns + ")";
        else entry = name.substr(0, name.find('(')) + "(" + qtPatterns + ")";
        if (!out.empty()) out += ";;";
        out += entry;
    }
    return out;
}

bool StorePath(OpenFileNameRecord& record, std::string_view path) {
    if (record.lpstrFile == nullptr || record.nMaxFile == 0) return false;
    if (path.size() + 1 > record.nMaxFile) return false;
    std::memcpy(record.lpstrFile, path.data(), path.size());
    record.lpstrFile[path.size()] = '\0';
    const std::size_t slash = path.find_last_of('/');
    const std::size_t nameAt = slash == std::string_view::npos ? 0 : slash + 1;
    const std::size_t dot = path.find_last_of('.');
    record.nFileOffset = static_cast<std::uint16_t>(nameAt);
    // Past the dot of the name's extension; at the terminating NUL when none.
    record.nFileExtension = static_cast<std::uint16_t>(
        dot != std::string_view::npos && dot >= nameAt ? dot + 1 : path.size());
    return true;
}

std::int32_t QtDialogs::ChooseColorA(ChooseColorRecord& record) {
    QtForm::EnsureApplication();
    // Each call shows the record's custom colours and nothing from earlier calls.
    for (int i = 0; i < QColorDialog::customCount() && i < 16; ++i) {
        const ColorRef custom = record.lpCustColors != nullptr ? record.lpCustColors[i] : 0;
        QColorDialog::setCustomColor(i, ToQColor(custom));
    }
    const ColorRef start = (record.Flags & kCcRgbInit) != 0 ? (record.rgbResult & 0xFFFFFF) : 0;
    QColorDialog dialog(ToQColor(start), OwnerOf(record.hwndOwner));
    dialog.setOption(QColorDialog::DontUseNativeDialog, true);
    dialog.setWindowModality(Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted) return 0;
    record.rgbResult = FromQColor(dialog.selectedColor());
    if (record.lpCustColors != nullptr) {
        for (int i = 0; i < QColorDialog::customCount() && i < 16; ++i) {
            record.lpCustColors[i] = FromQColor(QColorDialog::customColor(i));
        }
    }
    return 1;
}

std::int32_t QtDialogs::RunFileDialog(OpenFileNameRecord& record, bool save) {
    QtForm::EnsureApplication();
    QFileDialog dialog(OwnerOf(record.hwndOwner));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setWindowModality(Qt::ApplicationModal);
    if (record.lpstrTitle != nullptr && *record.lpstrTitle != '\0') {
        dialog.setWindowTitle(QString::fromUtf8(record.lpstrTitle));
    }
    const std::string filter = QtFilterFrom(record.lpstrFilter);
    if (!filter.empty()) {
        const QStringList filters = QString::fromStdString(filter).split(QStringLiteral(";;"));
        dialog.setNameFilters(filters);
        const auto index = static_cast<qsizetype>(record.nFilterIndex);
        if (index >= 1 && index <= filters.size()) dialog.selectNameFilter(filters[index - 1]);
    }
    if (record.lpstrInitialDir != nullptr && *record.lpstrInitialDir != '\0') {
        dialog.setDirectory(QString::fromUtf8(record.lpstrInitialDir));
    }
    if (record.lpstrFile != nullptr && record.nMaxFile > 0) {
        const std::string initial(record.lpstrFile, strnlen(record.lpstrFile, record.nMaxFile));
        if (!initial.empty()) dialog.selectFile(QString::fromUtf8(initial.c_str()));
    }
    if (save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        if (record.lpstrDefExt != nullptr && *record.lpstrDefExt != '\0') {
            dialog.setDefaultSuffix(QString::fromUtf8(record.lpstrDefExt));
        }
        dialog.setOption(QFileDialog::DontConfirmOverwrite,
                         (record.Flags & kOfnOverwritePrompt) == 0);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode((record.Flags & kOfnFileMustExist) != 0 ? QFileDialog::ExistingFile
                                                                    : QFileDialog::AnyFile);
    }
    if (dialog.exec() != QDialog::Accepted) return 0;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return 0;
    const QByteArray path = QFile::encodeName(chosen.first());
    return StorePath(record, std::string_view(path.constData(), static_cast<std::size_t>(path.size())))
               ? 1
               : 0;
}

std::int32_t QtDialogs::GetOpenFileNameA(OpenFileNameRecord& record) {
    return RunFileDialog(record, false);
}

std::int32_t QtDialogs::GetSaveFileNameA(OpenFileNameRecord& record) {
    return RunFileDialog(record, true);
}

}  // namespace scriblane::linuxp
