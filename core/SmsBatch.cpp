#include "core/SmsBatch.h"

#include "core/Helpers.h"
#include "core/LongSms.h"
#include "core/QueueJournal.h"
#include "platform/AppPath.h"
#include "platform/AtomicFile.h"
#include "platform/RunLog.h"
#include "platform/TextCodec.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>

namespace smsbatch {

std::string ResultText(int result) {
    if (result >= 0) return "[" + std::to_string(result) + "]";
    switch (result) {
    case -1: return "[不能初始化SO]";
    case -2: return "[网络不通]";
    case -3: return "[一次发送的手]";
    case -4: return "[内容包含不合]";
    case -5: return "[登录账户错误]";
    case -6: return "[通信数据传送]";
    case -7: return "[没有进行参数]";
    case -8: return "[扩展号码长度]";
    case -9: return "[手机号码不合]";
    case -10: return "[号码太长]";
    case -11: return "[内容太长]";
    case -12: return "[内部错误]";
    case -13: return "[余额不足]";
    case -14: return "[扩展号不正确]";
    case -50: return "[配置参数错误]";
    default: return {};
    }
}

bool ReadLongSmsText(int id, std::string& text) {
    text.clear();
    std::ifstream in(longsms::SideFilePath(id), std::ios::binary);
    if (!in) return false;
    char buf[802];  // one character past the 800 bytes, to see whether the cut splits it
    in.read(buf, sizeof buf);
    std::string_view gbk(buf, static_cast<std::size_t>(in.gcount()));
    if (const auto nul = gbk.find('\0'); nul != std::string_view::npos) gbk = gbk.substr(0, nul);
    text = codec::FromGbk(codec::CutGbkBytes(gbk, 800));
    return true;
}

}  // namespace smsbatch

using namespace smsbatch;

int CSmsBatch::Take(int nDevice, std::string& strNumbers, std::string& strText, std::string* pFiles) {
    strNumbers.clear();
    strText.clear();
    if (pFiles) pFiles->clear();
    if (m_nPause.load() == 1) return 0;
    const std::string device = std::to_string(nDevice);
    const int heldIcon = m_kind == queue::Kind::Mms ? kHeldMmsIcon : kHeldSmsIcon;
    bool removed = false;
    int taken = m_list.Locked([&](rows::RowStore::Access& a) {
        int n = 0;
        std::size_t i = 0;
        while (i < a.Count() && n < kMaxBatch) {
            if (a.CellAt(i, kState) == kHeld) {
                ++i;
                continue;
            }
            const std::string_view number = a.CellAt(i, kNumber);
            if (number.empty()) {
                a.Remove(a.IdAt(i));
                removed = true;
                continue;
            }
            const std::string_view text = a.CellAt(i, kText);
            if (n == 0) {
                strText.assign(text);
                if (pFiles) pFiles->assign(a.CellAt(i, kFiles));
            } else if (text != strText || (pFiles && a.CellAt(i, kFiles) != *pFiles)) {
                break;
            }
            if (n > 0) strNumbers += ',';
            strNumbers += number;
            a.SetCellAt(i, kState, kHeld);
            a.SetCellAt(i, kDevice, device);
            a.SetIconAt(i, heldIcon);
            ++n;
            ++i;
        }
        return n;
    });
    if (removed && m_countChanged) m_countChanged();
    return taken;
}

int CSmsBatch::FetchMMSBatch(int nDevice, std::string& strReceivers, std::string& strTitle,
                             std::string& strFiles) {
    return Take(nDevice, strReceivers, strTitle, &strFiles);
}

void CSmsBatch::FinishMMSBatch(int nDevice, int nResult, int nCount) {
    Complete(nDevice, nResult, nCount, {});
}

int CSmsBatch::FetchSMSBatch(int nDevice, std::string& strNumbers, std::string& strText) {
    const int taken = Take(nDevice, strNumbers, strText, nullptr);
    if (taken == 0) return 0;

    // Only a text that ends in the marker is a long SMS.
    if (const std::optional<int> marker = longsms::MarkerId(strText)) {
        const int longId = *marker;
        std::string full;
        if (!ReadLongSmsText(longId, full)) {
            // Sending the head and marker would deliver garbage: fail the batch instead.
            WriteRunLog("长短信文本文件丢失，编号" + std::to_string(longId) + "，该批短信未发送");
            Complete(nDevice, 0, taken, kMissingTextResult);
            strNumbers.clear();
            strText.clear();
            return 0;
        }
        strText = std::move(full);
    }
    return taken;
}

void CSmsBatch::FinishSMSBatch(int nDevice, int nResult, int nCount) {
    Complete(nDevice, nResult, nCount, ResultText(nResult));
}

void CSmsBatch::JournalAndRemove(const std::vector<rows::RowData>& rowsOut, const std::vector<rows::RowId>& ids,
                                 std::size_t& removed) {
    std::vector<qjournal::Entry> entries;
    if (m_journal) {
        entries.reserve(rowsOut.size());
        for (const rows::RowData& row : rowsOut) entries.push_back(qjournal::Removed(row.cells));
    }
    const auto remove = [&] { removed = m_list.RemoveRows(ids); };
    if (m_journal) m_journal->Apply(entries, remove);
    else remove();
}

void CSmsBatch::Complete(int nDevice, int nResult, int nCount, const std::string& resultText) {
    // The records go to the log, then the journal, then the rows leave the list: a crash
    // between any two steps sends again at most the batches in flight. The parked list stays
    // locked throughout, so a delete never catches the rows between the steps.
    std::lock_guard<std::mutex> parked(m_parkedMutex);
    std::vector<rows::RowData> taken;
    std::vector<rows::RowId> ids;
    m_list.Locked([&](rows::RowStore::Access& a) {
        for (std::size_t i = 0; i < a.Count() && static_cast<int>(taken.size()) < nCount; ++i) {
            if (a.CellAt(i, kState) != kHeld) continue;
            if (std::atoi(std::string(a.CellAt(i, kDevice)).c_str()) != nDevice) continue;
            taken.push_back(a.RowAt(i));
            ids.push_back(a.IdAt(i));
        }
    });
    const std::size_t inList = taken.size();
    // Rows the user deleted while the request was out (journalled then) are logged all the same.
    for (auto it = m_parked.begin(); it != m_parked.end() && static_cast<int>(taken.size()) < nCount;) {
        if (std::atoi(it->cells[kDevice].c_str()) == nDevice) {
            taken.push_back(std::move(*it));
            it = m_parked.erase(it);
        } else {
            ++it;
        }
    }
    if (taken.empty()) return;
    LogRows(taken, nDevice, nResult, resultText);
    taken.resize(inList);
    std::size_t removed = 0;
    JournalAndRemove(taken, ids, removed);
    if (m_countChanged) m_countChanged();
}

void CSmsBatch::LogRows(std::vector<rows::RowData>& taken, int nDevice, int nResult,
                        const std::string& resultText) {
    const std::string now = runlog::NowString();
    const bool mms = m_kind == queue::Kind::Mms;
    const char* type = mms ? (nResult == 1 ? "已发送彩信" : "发送失败彩信")
                           : (nResult == 1 ? "已发送短信" : "发送失败短信");
    for (const rows::RowData& row : taken) {
        MsgRecord r = msgrec::Empty();
        r.nId = std::atoi(row.cells[kId].c_str());
        msgrec::SetField(r.szNumber, row.cells[kNumber]);
        if (mms) {
            msgrec::SetField(r.szFiles, row.cells[kFiles]);
            msgrec::SetField(r.szSize, queue::PackageSizeText(row.cells[kPackage]));
        } else {
            msgrec::SetField(r.szName, row.cells[kName]);
        }
        msgrec::SetField(r.szText, row.cells[kText]);
        msgrec::SetField(r.szResourceId, row.cells[kResourceId]);
        msgrec::SetField(r.szPackage, row.cells[kPackage]);
        msgrec::SetField(r.szTime, now);
        r.nDevice = nDevice;
        msgrec::SetField(r.szResult, resultText);
        msgrec::SetField(r.szType, type);
        if (m_sink) m_sink(r);
    }
}

std::size_t CSmsBatch::DeleteRows(const std::vector<rows::RowId>& ids) {
    // The parked list is locked across the removal, so a completion that no longer finds its
    // rows in the list always finds them parked.
    std::unique_lock<std::mutex> parked(m_parkedMutex);
    std::vector<rows::RowData> rowsOut;
    std::vector<rows::RowId> present;
    m_list.Locked([&](rows::RowStore::Access& a) {
        for (rows::RowId id : ids) {
            const auto pos = a.IndexOf(id);
            if (!pos) continue;
            rowsOut.push_back(a.RowAt(*pos));
            present.push_back(id);
            if (a.Cell(id, kState) == kHeld) m_parked.push_back(rowsOut.back());
        }
    });
    std::size_t n = 0;
    JournalAndRemove(rowsOut, present, n);
    parked.unlock();
    if (n && m_countChanged) m_countChanged();
    return n;
}

std::size_t CSmsBatch::ParkedCount() const {
    std::lock_guard<std::mutex> lock(m_parkedMutex);
    return m_parked.size();
}
