#pragma once
// What both records pages are: one sortable list over their record log, the views (all, sent,
// received, advanced query), the latest records, rows of new records as they arrive, and the
// actions on selected rows (view, reply, delete, clear, received folder, resend, forward, export
// to Excel, resource export). The SMS page and the MMS page differ only in their template, log,
// headers, widths, the long-SMS view, the resend (the MMS page uploads its packages again) and
// the file list of a forwarded MMS.
#include "core/PageDlg.h"
#include "core/RecordLog.h"
#include "core/RecordForward.h"
#include "core/RecordQuery.h"
#include "platform/RowStore.h"
#include "uikit/IconMenu.h"

#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class CImageButton;
class CLongAction;
class CMMSPackage;
class CSkinButton;
class CSkinCheckBox;
class CSkinGroupBox;
class QLabel;
namespace uikit {
class CSortListCtrl;
}

struct RecordPageKind {
    int idd;
    LogKind log;
    const char* headers[recpage::kColumns];
    int widths[recpage::kColumns];
    bool expandLongSms;  // the record view shows a long SMS's side file
};

class CRecordPage : public CPageDlg {
    Q_OBJECT
public:
    CRecordPage(const RecordPageKind& kind, QWidget* parent = nullptr);
    ~CRecordPage() override;

    CRecordLog& Log() { return m_log; }
    void AddLogRecord(const MsgRecord* pRecord) { m_log.AddLogRecord(pRecord); }
    void ApplyDeliveryReports() { m_log.ApplyDeliveryReports(); }
    // Back to view 1 (the main window's start).
    void ResetView();

    // A record as the top row (the status icon in column 0); one of no known status is not
    // listed. place: where the record stands in the log, as its append saw it.
    void InsertRecordRow(const MsgRecord& r, RecordPlace place);
    // Label 1232: "列表中显示信息%d条。".
    void UpdateCountLabel();
    // Fills the list from the log: mode = view - 1; allRecords 0 reads the newest 100 only.
    void SearchRecords(int mode, int allRecords);

    rows::RowStore& Rows() { return m_rows; }
    uikit::CSortListCtrl* List() const { return m_list; }

public slots:
    void OnShowAll() { ChooseView(1); }
    void OnShowSent() { ChooseView(2); }
    void OnShowReceived() { ChooseView(3); }
    void OnShowQuery() { ChooseView(4); }
    void OnSearchAgain();
    void OnClearDisplay();
    void OnShowRecent();
    void OnAutoRefresh();
    void OnReply();
    void OnViewContent();
    void OnDblclkList();
    void OnDeleteRecords();
    void OnClearRecords();
    void OnViewReceivedResource();
    void OnResend();
    void OnForward();
    void OnForwardManually();
    void OnForwardFromText();
    void OnForwardFromAddressBook();
    void OnExportExcel();
    void OnExportResource();

public:
    // Queues the first selected record for every number.
    void ForwardRecords(std::vector<std::string>& numbers);
    uikit::CIconMenu& ForwardMenu() { return m_menu; }
    CMMSPackage& ExportPackage() { return *m_exportPackage; }

protected:
    void resizeEvent(QResizeEvent* e) override;
    // The package a resend uploads through; none on a page that resends SMS.
    virtual CMMSPackage* ResendPackage() { return nullptr; }

private:
    void OnInitDialog();
    void ChooseView(int view);
    void ShowViewButtons(int view);
    void ClearList();
    std::vector<rows::RowId> SelectedIds() const;
    recforward::RecordRow RowOf(rows::RowId id);
    // Label 1232 during long work: what, done/total.
    void ShowProgress(const char* what, std::size_t done, std::size_t total);
    // A long action's progress: the label at most every 100 ms (at every step when each step is
    // slow), the action's pump, and true until its stop is asked.
    recforward::Progress ActionProgress(CLongAction& action, const char* what, bool everyStep = false);
    // Rows of records that arrive while a search, delete or clear runs wait for its end.
    void BeginBusy() { m_bBusy = true; }
    void EndBusy();
    void AddArrivedRow(const MsgRecord& r, RecordPlace place);
    // The index of a record in today's log from its place; nothing when the record went since.
    std::optional<std::int64_t> CurrentIndex(RecordPlace place) const;

    const RecordPageKind& m_kind;
    CRecordLog m_log;
    rows::RowStore m_rows{recpage::kColumns};
    uikit::CIconMenu m_menu;  // 251: the forward's recipient sources
    std::unique_ptr<CMMSPackage> m_exportPackage;  // the resource export's, in "MsgLogTemp"

    uikit::CSortListCtrl* m_list;     // 1011
    CSkinGroupBox* m_frame;           // 1245
    CImageButton* m_btnView[4];       // 1007, 1008, 1009, 1341
    CSkinButton* m_btnSearchAgain;    // 1340
    CSkinButton* m_btnClearDisplay;   // 1344
    CSkinButton* m_btnShowRecent;     // 1006
    CSkinButton* m_btnResend;         // 1005
    CSkinButton* m_btnForward;        // 1003
    CSkinButton* m_btnReply;          // 1052
    CSkinButton* m_btnViewContent;    // 1012
    CSkinButton* m_btnExportResource; // 1004
    CSkinButton* m_btnDelete;         // 1002
    CSkinButton* m_btnClearRecords;   // 1051
    CSkinButton* m_btnExportExcel;    // 1080
    CSkinButton* m_btnViewResource;   // 1047
    CSkinCheckBox* m_checkAutoRefresh;  // 1020
    QLabel* m_labelCount;             // 1232

    bool m_bBusy = false;
    std::vector<std::pair<MsgRecord, RecordPlace>> m_pending;
    // The log range the last search read (in the numbering of rewrite; a delete brings it up to
    // date): a late row of a record in it is already listed or filtered out.
    struct Horizon {
        bool set = false;
        std::uint64_t rewrite = 0;
        std::size_t first = 0, total = 0;
    } m_horizon;
    // What each rewrite of the log took away (by its number): the indexes deleted, or nothing for
    // a clear.
    std::map<std::uint64_t, std::optional<std::vector<std::int64_t>>> m_rewrites;
};

extern const RecordPageKind kSmsRecordPage;
extern const RecordPageKind kMmsRecordPage;
