#include "core/SendingListDlg.h"

#include "core/SMSTextDlg.h"
#include "core/SmsBatch.h"
#include "platform/AppPath.h"
#include "platform/Process.h"
#include "platform/RowStoreModel.h"
#include "uikit/SortListCtrl.h"

#include <QPushButton>

namespace {
const PendingPageKind kMmsPage{CSendingListDlg::IDD, queue::Kind::Mms, "下载文件名", 180};
}

CSendingListDlg::CSendingListDlg(QWidget* parent) : CPendingPage(kMmsPage, parent) {
    QPushButton* refresh = AddButton(1012, "刷新彩信大小");
    connect(refresh, &QPushButton::clicked, this, &CSendingListDlg::OnRefreshMMSSize);
    connect(View(1), &QAbstractItemView::doubleClicked, this, &CSendingListDlg::OnDblclkImmediateList);
    connect(View(2), &QAbstractItemView::doubleClicked, this, &CSendingListDlg::OnDblclkTimedList);
    connect(View(3), &QAbstractItemView::doubleClicked, this, &CSendingListDlg::OnDblclkCyclicList);
}

void CSendingListDlg::OnRefreshMMSSize() {
    for (int n = 1; n <= 3; ++n) {
        // A run of rows of one package reads its file once; the memory is per list.
        std::string lastPackage, lastSize;
        List(n).Locked([&](rows::RowStore::Access& a) {
            for (std::size_t i = 0; i < a.Count(); ++i) {
                const std::string package(a.CellAt(i, smsbatch::kPackage));
                if (package.empty()) continue;
                if (package != lastPackage) {
                    lastPackage = package;
                    lastSize = queue::PackageSizeText(package);
                }
                a.SetCellAt(i, smsbatch::kSize, lastSize);
            }
        });
        View(n)->Model()->Sync();
    }
}

void CSendingListDlg::OpenFirstSelected(int n) {
    const std::vector<int> rowsShown = View(n)->GetSelectedRows();
    if (rowsShown.empty()) return;
    const rows::RowId id = View(n)->GetItemId(rowsShown.front());
    std::string package, text;
    const bool found = List(n).Locked([&](rows::RowStore::Access& a) {
        const auto at = a.IndexOf(id);
        if (!at) return false;
        package = std::string(a.CellAt(*at, smsbatch::kPackage));
        text = std::string(a.CellAt(*at, smsbatch::kText));
        return true;
    });
    if (!found) return;
    if (package.empty()) {
        CSMSTextDlg dlg(this);
        dlg.m_strText = text;
        dlg.m_nReadOnly = 1;
        dlg.DoModal();
        return;
    }
    // The viewer lies outside the program: a failed start reports nothing.
    proc::Start(paths::AppFile("MMSPlayer"), {paths::AppFile("MMSSink\\" + package + ".qmx")});
}
