#include "core/FileDialogBox.h"

#include "platform/TextCodec.h"

#include <QDateTime>
#include <QEvent>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHeaderView>
#include <QLocale>
#include <QScreen>
#include <QStringList>
#include <QTreeView>

#include <algorithm>
#include <initializer_list>

namespace {
// Qt's own kind of a folder stays English in its translation.
class FileKinds : public QFileIconProvider {
public:
    QString type(const QFileInfo& info) const override {
        if (info.isDir()) return QString::fromUtf8("文件夹");
        return QFileIconProvider::type(info);
    }
};

// On showing, widens the dialog until its detail view holds every column, within the screen.
class ColumnRoom : public QObject {
public:
    ColumnRoom(QDialog* dlg, QTreeView* view) : QObject(dlg), m_dlg(dlg), m_view(view) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched == m_dlg && e->type() == QEvent::Show) {
            const int scroll = m_view->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_view);
            const int lack = m_view->header()->length() + scroll + 2 - m_view->viewport()->width();
            int want = m_dlg->width() + std::max(0, lack);
            if (const QScreen* screen = m_dlg->screen()) want = std::min(want, screen->availableGeometry().width());
            if (want > m_dlg->width()) m_dlg->resize(want, m_dlg->height());
        }
        return false;
    }

private:
    QDialog* m_dlg;
    QTreeView* m_view;
};

// The detail view's size, kind and date columns wide enough for their texts, the dialog
// widened to keep room for the names.
void WidenColumns(QFileDialog& dlg) {
    auto* view = dlg.findChild<QTreeView*>();
    if (!view || !view->header()) return;
    QHeaderView* header = view->header();
    const QFontMetrics fm = view->fontMetrics();
    const int pad = 2 * view->style()->pixelMetric(QStyle::PM_HeaderMargin) + 16;
    const QLocale locale = QLocale::system();  // the file model's own
    auto widest = [&](std::initializer_list<QString> samples) {
        int w = 0;
        for (const QString& s : samples) w = std::max(w, fm.horizontalAdvance(s));
        return w + pad;
    };
    const int size = widest({locale.formattedDataSize(1023), locale.formattedDataSize(1023 * 1024 + 1013),
                             locale.formattedDataSize(qint64(1023) * 1024 * 1024 + 1013 * 1024),
                             header->model() ? header->model()->headerData(1, Qt::Horizontal).toString() : QString()});
    const int kind = widest({QString::fromUtf8("Excel 电子表格"), QString::fromUtf8("文件夹")});
    const QDateTime sample(QDate(2026, 12, 28), QTime(23, 58, 58));
    const int date = widest({locale.toString(sample, QLocale::ShortFormat)});
    const int widths[] = {0, size, kind, date};
    for (int c = 1; c < 4 && c < header->count(); ++c)
        header->resizeSection(c, std::max(widths[c], header->sectionSize(c)));
    // The widths Qt kept from the last dialog count as well.
    dlg.installEventFilter(new ColumnRoom(&dlg, view));
}
}  // namespace

QString QtNameFilter(const std::string& filter) {
    const QStringList parts = codec::ToQ(filter).split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) break;
        QString patterns = parts[i + 1];
        patterns.replace(';', ' ');
        filters << parts[i] + " (" + patterns + ")";
    }
    return filters.join(";;");
}

void SetUpFileDialog(QFileDialog& dlg, const seam::FileDialogRequest& req) {
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    // Qt shows the text before the patterns it is given: the program's own description, once.
    dlg.setOption(QFileDialog::HideNameFilterDetails);
    static FileKinds* const kinds = new FileKinds;  // kept to the end: dialogs only borrow it
    dlg.setIconProvider(kinds);
    // Without a title of its own the dialog keeps Qt's, "打开" or "另存为".
    if (!req.title.empty()) dlg.setWindowTitle(codec::ToQ(req.title));
    if (!req.folder.empty()) dlg.setDirectory(codec::ToQ(req.folder));
    dlg.setViewMode(QFileDialog::Detail);
    dlg.setAcceptMode(req.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(req.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const QString filters = QtNameFilter(req.filter);
    if (!filters.isEmpty()) dlg.setNameFilter(filters);
    if (!req.defaultExt.empty()) dlg.setDefaultSuffix(codec::ToQ(req.defaultExt));
    if (!req.fileName.empty()) dlg.selectFile(codec::ToQ(req.fileName));
    WidenColumns(dlg);
}

std::optional<std::string> RunFileDialog(const seam::FileDialogRequest& req) {
    QFileDialog dlg;
    SetUpFileDialog(dlg, req);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
    return codec::FromQ(dlg.selectedFiles().first());
}
