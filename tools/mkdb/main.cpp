// mkdb OUT.mdb SCRIPT.sql: makes a fresh database file from a schema script.
// The file is written beside OUT and renamed over it only when the whole script ran.
#include "platform/Database.h"

#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: mkdb OUT.mdb SCRIPT.sql\n");
        return 2;
    }
    const std::string out = argv[1];
    const std::string tmp = out + ".tmp";
    std::ifstream in(argv[2], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "mkdb: cannot read %s\n", argv[2]);
        return 1;
    }
    std::ostringstream script;
    script << in.rdbuf();

    std::remove(tmp.c_str());
    sqlite3* h = nullptr;
    int rc = sqlite3_open_v2(tmp.c_str(), &h, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc == SQLITE_OK) rc = db::RegisterTextCollation(h);
    char* err = nullptr;
    if (rc == SQLITE_OK) rc = sqlite3_exec(h, script.str().c_str(), nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        std::fprintf(stderr, "mkdb: %s: %s\n", argv[2], err ? err : (h ? sqlite3_errmsg(h) : sqlite3_errstr(rc)));
        sqlite3_free(err);
        sqlite3_close(h);
        std::remove(tmp.c_str());
        return 1;
    }
    sqlite3_close(h);
    if (std::rename(tmp.c_str(), out.c_str()) != 0) {
        std::fprintf(stderr, "mkdb: cannot write %s\n", out.c_str());
        std::remove(tmp.c_str());
        return 1;
    }
    return 0;
}
