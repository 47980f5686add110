#pragma once
// A records page over a log written in a temporary program folder, with answered message boxes.
#include "core/Helpers.h"
#include "core/MsgRecord.h"
#include "core/PageGlobals.h"
#include "core/SMSRecordDlg.h"
#include "platform/RowStoreModel.h"
#include "platform/Seams.h"
#include "support/TestSupport.h"
#include "uikit/SortListCtrl.h"

#include <QApplication>
#include <QLabel>

#include <atomic>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace recordtest {

inline MsgRecord Rec(int id, std::string_view type, std::string_view number, std::string_view text = "内容",
                     std::string_view time = "2008-05-01 10:00:00", std::string_view name = "") {
    MsgRecord r = msgrec::Empty();
    r.nId = id;
    msgrec::SetField(r.szType, type);
    msgrec::SetField(r.szNumber, number);
    msgrec::SetField(r.szText, text);
    msgrec::SetField(r.szTime, time);
    msgrec::SetField(r.szName, name);
    return r;
}

inline std::string Bytes(const std::vector<MsgRecord>& recs) {
    std::string out(recs.size() * kMsgRecordSize, '\0');
    for (std::size_t i = 0; i < recs.size(); ++i) msgrec::ToBytes(recs[i], out.data() + i * kMsgRecordSize);
    return out;
}

// Runs the UI thread's queue up to everything posted before this call.
inline bool DrainUi() {
    std::atomic<bool> done{false};
    seam::PostToUi([&] { done = true; });
    return testsupport::WaitUntil([&] { return done.load(); });
}

template <class Page>
struct PageFixtureOf {
    testsupport::TempAppDir dir;
    std::vector<std::string> messages;
    int answer = 1;
    seam::ScopedMessageBox box{[this](const std::string& text, int) {
        messages.push_back(text);
        return answer;
    }};
    std::unique_ptr<Page> page = std::make_unique<Page>();

    CRecordLog& log() { return page->Log(); }
    void WriteLog(const std::vector<MsgRecord>& recs) { testsupport::WriteFile(log().FilePath(), Bytes(recs)); }
    std::vector<MsgRecord> ReadLog() {
        std::vector<MsgRecord> out;
        log().ReadRecords(out);
        return out;
    }
    uikit::CSortListCtrl* list() { return page->List(); }
    void Sync() { list()->Model()->Sync(); }
    int Rows() {
        Sync();
        return list()->GetItemCount();
    }
    // Cell col of view row `row` (0 the top).
    std::string Cell(int row, int col) {
        Sync();
        return page->Rows().Cell(list()->GetItemId(row), col).value_or("");
    }
    std::vector<int> Ids() {
        std::vector<int> out;
        for (int r = 0, n = Rows(); r < n; ++r) out.push_back(std::stoi(Cell(r, 9)));
        return out;
    }
    void Select(std::initializer_list<int> viewRows) {
        Sync();
        list()->clearSelection();
        for (int r : viewRows) list()->SetItemSelected(r, true);
    }
    QString CountLabel() { return page->template findChild<QLabel*>("1232")->text(); }
};

using PageFixture = PageFixtureOf<CSMSRecordDlg>;

}  // namespace recordtest
