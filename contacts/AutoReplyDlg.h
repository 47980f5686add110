#pragma once
// Auto-reply page. Its settings, tables, log and engine live in CAutoReply, shared with the
// receive thread's hook while a call runs.
#include "contacts/AutoReply.h"
#include "core/PageDlg.h"

#include <memory>
#include <string>

class CAutoReplyDlg : public CPageDlg {
    Q_OBJECT
public:
    static constexpr int IDD = 142;
    // Sets g_strAutoReplyIni and installs the engine as the receive hook.
    explicit CAutoReplyDlg(QWidget* parent = nullptr);
    // Removes the engine from the receive hook; a call still running keeps its state alive.
    ~CAutoReplyDlg() override;

    void LoadSettings() { m_pEngine->LoadSettings(); }
    void SaveLists() { m_pEngine->SaveLists(); }
    void AddCyclicItem(const std::string& text, const std::string& file) { m_pEngine->AddCyclicItem(text, file); }
    void AppendLog(AutoReplyLogRecord& record) { m_pEngine->AppendLog(record); }
    int ProcessIncoming(const std::string& sender, const std::string& content, int type) {
        return m_pEngine->ProcessIncoming(sender, content, type);
    }
    std::string ChooseReply(const std::string& sender, const std::string& content, std::string& name,
                            std::string& text) {
        return m_pEngine->ChooseReply(sender, content, name, text);
    }
    CAutoReply& Engine() { return *m_pEngine; }
    const std::shared_ptr<CAutoReply>& EnginePtr() const { return m_pEngine; }

private:
    std::shared_ptr<CAutoReply> m_pEngine;
};
