// File and colour choosers: Qt's own non-native dialogs, drive paths in and out, filters that ignore letter case.
#include "platform/posix/kernel_internal.h"
#include "platform/qt/gdi_internal.h"
#include "platform/qt/window_internal.h"

#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QStyle>
#include <QStyleOptionComboBox>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <sys/eventfd.h>
#include <unistd.h>
#include <vector>

namespace {

std::mutex colorLock;
bool colorScripted = false;
bool colorOk = true;
COLORREF colorAnswer = 0;

// "*.ext" matches "*.EXT", "*.Ext" ... : every letter becomes a bracket of both cases.
QString CaseFreePattern(const QString &pattern)
{
    QString out;
    for (QChar c : pattern) {
        if (c.isLetter() && c.toLower() != c.toUpper())
            out += QStringLiteral("[") + c.toLower() + c.toUpper() + QStringLiteral("]");
        else
            out += c;
    }
    return out;
}

// The chooser's filters from "Text\0*.A;*.B\0...\0\0": the texts the file-type list shows, as the program gives
// them, and for each the Qt name filter the chooser matches with, "Text (*.[aA] *.[bB])".
struct ChooserFilters {
    QStringList shown, matching;
};

ChooserFilters NameFilters(const wchar_t *filter)
{
    ChooserFilters out;
    if (!filter) return out;
    const wchar_t *p = filter;
    while (*p) {
        std::wstring desc = p;
        p += desc.size() + 1;
        if (!*p) break;
        std::wstring pats = p;
        p += pats.size() + 1;
        QStringList parts;
        for (const QString &s : QString::fromStdWString(pats).split(';', Qt::SkipEmptyParts))
            parts << CaseFreePattern(s.trimmed());
        const QString text = QString::fromStdWString(desc);
        QString d = text;
        int paren = d.indexOf('(');
        if (paren > 0) d = d.left(paren).trimmed();
        out.shown << text;
        out.matching << QStringLiteral("%1 (%2)").arg(d, parts.join(' '));
    }
    return out;
}

// The file-type list shows the program's own filter texts (the chooser keeps matching by the filters it was
// given, by position), each whole.
void ShowFilterTexts(QFileDialog &dlg, const QStringList &shown)
{
    auto *combo = dlg.findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
    if (!combo) return;
    int widest = 0;
    for (int i = 0; i < combo->count() && i < shown.size(); ++i) {
        combo->setItemText(i, shown[i]);
        widest = std::max(widest, combo->fontMetrics().horizontalAdvance(shown[i]));
    }
    QStyleOptionComboBox option;
    option.initFrom(combo);
    const int field =
        combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo).width();
    if (field < widest) {
        combo->setMinimumWidth(combo->width() + widest - field);
        dlg.resize(std::max(dlg.width(), dlg.sizeHint().width()), dlg.height());
    }
}

// A real path under the root folder back to its drive path (<root>/C/x/y to C:\x\y).
std::wstring DrivePathFromReal(const QString &real)
{
    QString root = QDir::cleanPath(QString::fromStdString(PlatformRootFolder()));
    QString path = QDir::cleanPath(real);
    if (path.startsWith(root + '/')) {
        QString rest = path.mid(root.size() + 1);
        if (rest.size() >= 1 && rest[0].isLetter() && (rest.size() == 1 || rest[1] == '/')) {
            QString drive = QString(rest[0].toUpper()) + QStringLiteral(":\\") + rest.mid(2);
            drive.replace('/', '\\');
            return drive.toStdWString();
        }
    }
    return path.toStdWString();
}

QString RealPath(const wchar_t *drivePath)
{
    if (!drivePath || !*drivePath) return QString();
    return QString::fromStdString(MapDrivePath(drivePath));
}

// The file chooser lists folders on helper threads of the toolkit, and a thread of the toolkit that gets no
// descriptor for its wake-up ends the whole process. True when that many descriptors can still be opened.
bool DescriptorsAvailable(int count)
{
    std::vector<int> fds;
    for (int i = 0; i < count; i++) {
        int fd = eventfd(0, EFD_CLOEXEC);
        if (fd < 0) break;
        fds.push_back(fd);
    }
    bool ok = (int)fds.size() == count;
    for (int fd : fds) close(fd);
    return ok;
}

BOOL RunFileChooser(OPENFILENAME *ofn, bool save)
{
    if (!ofn || !ofn->lpstrFile || ofn->nMaxFile == 0) return FALSE;
    std::wstring title = ofn->lpstrTitle ? ofn->lpstrTitle : (save ? L"Save As" : L"Open");
    RecordShownDialog(save ? L"SAVEFILE" : L"OPENFILE", title, ofn->lpstrFile);
    std::wstring result;
    std::wstring scripted;
    if (TakeScriptedFileChooser(&scripted)) {
        if (scripted.empty()) return FALSE;
        result = scripted;
    } else {
        // Without descriptors to spare the chooser is not opened: the call fails as a cancel would, with the
        // reason as the last error, and the program goes on.
        if (!DescriptorsAvailable(16)) {
            fprintf(stderr, "%ls: too many files open for the file chooser\n", title.c_str());
            SetLastError(ERROR_TOO_MANY_OPEN_FILES);
            return FALSE;
        }
        QWidget *parent = IsLiveWindow(ofn->hwndOwner) && ofn->hwndOwner->widget ? ofn->hwndOwner->widget->window()
                                                                                 : nullptr;
        QFileDialog dlg(parent, QString::fromStdWString(title));
        dlg.setOption(QFileDialog::DontUseNativeDialog, true);
        dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dlg.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        if (save) dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
        const ChooserFilters filters = NameFilters(ofn->lpstrFilter);
        if (!filters.matching.isEmpty()) {
            dlg.setNameFilters(filters.matching);
            ShowFilterTexts(dlg, filters.shown);
        }
        QString proposed = QString::fromStdWString(ofn->lpstrFile);
        QString dir = RealPath(ofn->lpstrInitialDir);
        if (proposed.contains('\\') || proposed.contains(':')) {
            QFileInfo info(RealPath(ofn->lpstrFile));
            dir = info.absolutePath();
            proposed = info.fileName();
        }
        if (!dir.isEmpty()) dlg.setDirectory(dir);
        if (!proposed.isEmpty()) dlg.selectFile(proposed);
        EnterNestedLoop();
        int ok = dlg.exec();
        LeaveNestedLoop();
        if (ok != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return FALSE;
        result = DrivePathFromReal(dlg.selectedFiles().first());
    }
    if (ofn->lpstrDefExt && *ofn->lpstrDefExt) {
        size_t slash = result.find_last_of(L"\\/");
        size_t dot = result.find_last_of(L'.');
        if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash))
            result += std::wstring(L".") + ofn->lpstrDefExt;
    }
    if (result.size() + 1 > ofn->nMaxFile) return FALSE;
    std::wmemcpy(ofn->lpstrFile, result.c_str(), result.size() + 1);
    return TRUE;
}

}  // namespace

BOOL GetSaveFileName(OPENFILENAME *ofn)
{
    if (!IsUserInterfaceThread()) return (BOOL)RunOnUiThreadAndWait([=] { return (LRESULT)GetSaveFileName(ofn); });
    return RunFileChooser(ofn, true);
}

BOOL GetOpenFileName(OPENFILENAME *ofn)
{
    if (!IsUserInterfaceThread()) return (BOOL)RunOnUiThreadAndWait([=] { return (LRESULT)GetOpenFileName(ofn); });
    return RunFileChooser(ofn, false);
}

void PlatformScriptColorChooser(COLORREF color, bool ok)
{
    std::lock_guard<std::mutex> g(colorLock);
    colorScripted = true;
    colorOk = ok;
    colorAnswer = color;
}

BOOL ChooseColor(CHOOSECOLOR *cc)
{
    if (!cc) return FALSE;
    if (!IsUserInterfaceThread()) return (BOOL)RunOnUiThreadAndWait([=] { return (LRESULT)ChooseColor(cc); });
    RecordShownDialog(L"CHOOSECOLOR", L"Color", L"");
    {
        std::lock_guard<std::mutex> g(colorLock);
        if (colorScripted) {
            colorScripted = false;
            if (!colorOk) return FALSE;
            cc->rgbResult = colorAnswer;
            return TRUE;
        }
    }
    QWidget *parent = IsLiveWindow(cc->hwndOwner) && cc->hwndOwner->widget ? cc->hwndOwner->widget->window() : nullptr;
    EnterNestedLoop();
    QColor c = QColorDialog::getColor(QColorFromColorRef(cc->rgbResult), parent, QString(),
                                      QColorDialog::DontUseNativeDialog);
    LeaveNestedLoop();
    if (!c.isValid()) return FALSE;
    cc->rgbResult = ColorRefFromQColor(c);
    return TRUE;
}
