#pragma once
// A program folder with a fresh copy of the shipped "LinkmanBook.mdb", opened as the page opens it.
#include "contacts/AdoConnection.h"
#include "contacts/AdoRecordset.h"
#include "contacts/LinkmanBook.h"
#include "platform/Seams.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

inline std::string LinkmanConnectString() {
    return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + g_strAppPath +
           "\\LinkmanBook.mdb;Persist Security Info=False;Jet OLEDB:Database Password=K9%fT2&mQ7!xR4p;";
}

class LinkmanDbTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::copy_file(std::filesystem::path(SMS_APP_DIR) / "LinkmanBook.mdb",
                                   std::filesystem::path(app.path()) / "LinkmanBook.mdb");
        ASSERT_EQ(conn.Open(LinkmanConnectString()), 1) << conn.GetErrorsText();
    }

    int Exec(const std::string& sql, const std::vector<std::string>& binds = {}) {
        std::vector<db::Variant> v;
        for (const std::string& b : binds) v.push_back(db::Variant::Text(b));
        CAdoRecordset rs;
        rs.SetConnection(&conn);
        return rs.Open(sql, 1, 3, 3, v);
    }
    void AddContact(const std::string& dir, const std::string& name, const std::string& mobile) {
        ASSERT_EQ(Exec("insert into LinkmanTable (DirInfo,姓名,手机号码) values (?,?,?)", {dir, name, mobile}), 0);
    }
    // One field of every row, in order; `trim` false reads the stored text as it is.
    std::vector<std::string> Column(const std::string& sql, const std::string& field,
                                    const std::vector<std::string>& binds = {}, bool trim = true) {
        std::vector<db::Variant> v;
        for (const std::string& b : binds) v.push_back(db::Variant::Text(b));
        std::vector<std::string> out;
        if (!trim) {
            const auto rs = conn.GetConnection()->Run(sql, v);
            if (!rs) return {"<failed>"};
            for (const auto& row : rs->rows) out.push_back(row[0].s);
            return out;
        }
        CAdoRecordset rs;
        rs.SetConnection(&conn);
        if (rs.Open(sql, 1, 3, 3, v) < 0) return {"<failed>"};
        while (!rs.IsEOF()) {
            std::string s;
            rs.GetFieldValue(s, field);
            out.push_back(s);
            rs.MoveNext();
        }
        return out;
    }
    // Every group path, and every contact's group path, in byte order.
    std::vector<std::string> Groups() {
        std::vector<std::string> out;
        for (const std::string& s :
             Column("select FatherDir||'@'||substr(ChildDir,2) as p from DirTable order by p", "p"))
            out.push_back(s);
        std::sort(out.begin(), out.end());
        return out;
    }
    std::vector<std::string> ContactDirs() {
        std::vector<std::string> out = Column("select DirInfo from LinkmanTable", "DirInfo");
        std::sort(out.begin(), out.end());
        return out;
    }

    testsupport::TempAppDir app;
    CAdoConnection conn;
    CLinkmanBook book{&conn};
};

// The message box seam for a scope: every text shown, questions answered with `answer`.
struct Boxes {
    std::vector<std::string> texts;
    int answer = 1;  // to a question
    seam::ScopedMessageBox box{[this](const std::string& t, int type) {
        texts.push_back(t);
        return type == 1 ? answer : 0;
    }};
};
