// The phrase library page on a type of 100,000 phrases (50 MB): selecting the type, rewriting
// it and importing a 100,000-line file, each against a plain baseline measured in this run.
// The import goal names a plain read and split, so it covers what "导入短语" does before its
// rewrite: the file read, split into phrases and put in the list as rows (ImportFile), up to
// the list model holding them; painting a screen of rows costs the same for any list and is
// printed apart. The
// rewrite that ends an import is SavePhrases, held to the rewrite goal (2x a plain flushed
// write of the same bytes); the whole handler is printed for information.
// The files live in $BENCH_DIR (default: a folder "bench-phraselib" in the current folder).
// Run offscreen: QT_QPA_PLATFORM=offscreen build/bench/bench_phraselib
#include "bench/BenchSupport.h"
#include "compose/PhraseFiles.h"
#include "compose/PhraseLibDlg.h"
#include "platform/AppPath.h"
#include "platform/AtomicFile.h"
#include "platform/RowStoreModel.h"
#include "platform/Seams.h"
#include "platform/TextCodec.h"
#include "uikit/SortListCtrl.h"

#include <QApplication>
#include <QTreeWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using benchsupport::Best;
using benchsupport::Report;
using benchsupport::Seconds;

constexpr std::size_t kCount = phrasefiles::kMaxRecords;

// About 40 Chinese characters, different for every phrase.
std::string Phrase(std::size_t i) {
    return "尊敬的客户您好，本店新到一批春季商品，欢迎光临选购，第" + std::to_string(i) + "号优惠券限本周使用。";
}

// The whole file in one read.
std::string PlainRead(const std::string& path) {
    std::string data(static_cast<std::size_t>(std::max(0LL, paths::FileSize(path))), '\0');
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        data.resize(std::fread(data.data(), 1, data.size(), f));
        std::fclose(f);
    }
    return data;
}

// A plain read of the file in 1 MB pieces and one GBK decode per record.
std::size_t PlainReadDecode(const std::string& path) {
    std::vector<std::string> out;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return 0;
    std::vector<char> buf(2000 * phrasefiles::kRecordSize);
    std::size_t got;
    while ((got = std::fread(buf.data(), 1, buf.size(), f)) >= phrasefiles::kRecordSize)
        for (std::size_t off = 0; off + phrasefiles::kRecordSize <= got; off += phrasefiles::kRecordSize)
            out.push_back(codec::FromGbkField(buf.data() + off, phrasefiles::kRecordSize));
    std::fclose(f);
    return out.size();
}

// A plain write of the bytes into a temporary, flushed and renamed as the atomic writer does.
void PlainWriteFlush(const std::string& path, const std::string& bytes) {
    const std::string tmp = path + ".plain";
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, std::min<std::size_t>(bytes.size() - done, 1 << 20));
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    ::fsync(fd);
    ::close(fd);
    ::rename(tmp.c_str(), path.c_str());
    const int dfd = ::open(path.substr(0, path.rfind('/')).c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

// A plain read of the import file and its split at line ends.
std::size_t PlainReadSplit(const std::string& path) {
    const std::string data = PlainRead(path);
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < data.size()) {
        std::size_t lf = data.find('\n', pos);
        if (lf == std::string::npos) lf = data.size();
        std::size_t end = lf;
        if (end > pos && data[end - 1] == '\r') --end;
        lines.emplace_back(data, pos, end - pos);
        pos = lf + 1;
    }
    return lines.size();
}

QTreeWidgetItem* Child(CPhraseLibDlg& page, const char* name) {
    QTreeWidgetItem* root = page.RootItem();
    for (int i = 0; i < root->childCount(); ++i)
        if (root->child(i)->text(0) == QString::fromUtf8(name)) return root->child(i);
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const char* dir = std::getenv("BENCH_DIR");
    g_strAppPath = dir && *dir ? dir : "bench-phraselib";
    paths::MakeDirs(paths::AppFile("TextSink"));
    seam::SetMessageBox([](const std::string&, int) { return 1; });

    std::printf("making the files...\n");
    std::vector<std::string> phrases;
    for (std::size_t i = 0; i < kCount; ++i) phrases.push_back(Phrase(i));
    const std::string typeFile = phrasefiles::TypeFile("大类");
    phrasefiles::WritePhrases(typeFile, phrases);
    const std::string importFile = paths::AppFile("import.txt");
    std::string importText;
    for (const std::string& p : phrases) importText += codec::ToGbk(p) + "\r\n";
    files::WriteFileAtomic(importFile, importText);
    std::string fileBytes;
    files::ReadWholeFile(typeFile, fileBytes);
    std::printf("type file %zu bytes, import file %lld bytes\n", fileBytes.size(), paths::FileSize(importFile));

    CPhraseLibDlg page;
    page.resize(730, 376);
    page.show();
    page.LoadPhraseTypes();
    QCoreApplication::processEvents();
    QTreeWidgetItem* big = Child(page, "大类");

    PlainReadDecode(typeFile);  // warm the page cache
    const double plainRead = Best(3, [&] { PlainReadDecode(typeFile); });
    std::size_t listed = 0;
    double selectOnly = 1e9;
    for (int i = 0; i < 3; ++i) {
        page.m_tree->setCurrentItem(page.RootItem());
        page.m_list->Model()->Sync();
        selectOnly = std::min(selectOnly, Seconds([&] {
            page.m_tree->setCurrentItem(big);
            page.m_list->Model()->Sync();
            listed = static_cast<std::size_t>(page.m_list->GetItemCount());
            page.m_list->viewport()->repaint();
        }));
    }
    std::printf("listed %zu rows\n", listed);

    const std::string plainTarget = paths::AppFile("plain.bin");
    const double plainWrite = Best(3, [&] { PlainWriteFlush(plainTarget, fileBytes); });
    const double save = Best(3, [&] { page.SavePhrases("大类"); });
    std::string saved;
    files::ReadWholeFile(typeFile, saved);
    std::printf("rewrite %s the same bytes\n", saved == fileBytes ? "gives" : "does NOT give");

    PlainReadSplit(importFile);
    const double plainSplit = Best(3, [&] { PlainReadSplit(importFile); });
    seam::SetFileDialog([&](const seam::FileDialogRequest&) { return std::optional<std::string>(importFile); });
    auto* empty = new QTreeWidgetItem(page.RootItem(), QStringList(QString::fromUtf8("导入")));
    double import = 1e9, importRows = 1e9, paint = 1e9;
    for (int i = 0; i < 5; ++i) {
        // The read, the split and the rows, into an empty type.
        std::remove(phrasefiles::TypeFile("导入").c_str());
        page.m_tree->setCurrentItem(page.RootItem());
        page.m_tree->setCurrentItem(empty);
        page.m_list->Model()->Sync();
        importRows = std::min(importRows, Seconds([&] { page.ImportFile(importFile); }));
        paint = std::min(paint, Seconds([&] { page.m_list->viewport()->repaint(); }));
        // The whole handler, with its rewrite.
        page.m_tree->setCurrentItem(page.RootItem());
        page.m_tree->setCurrentItem(empty);
        page.m_list->Model()->Sync();
        import = std::min(import, Seconds([&] { page.OnImportPhrases(); }));
    }
    std::printf("imported %zu rows; the type file holds %lld bytes\n", page.Rows().Count(),
                paths::FileSize(phrasefiles::TypeFile("导入")));

    const double wholeDecode = Best(3, [&] { codec::FromGbk(PlainRead(importFile)); });
    std::printf("a plain read and GBK decode of the import file: %.3f s\n", wholeDecode);
    Report("select the type (fill the list)", selectOnly, plainRead, 3);
    Report("SavePhrases (rewrite, flushed)", save, plainWrite, 2);
    Report("import 100,000 lines (read, split, rows)", importRows, plainSplit, 3);
    Report("import's rewrite (the handler less the above)", import - importRows, plainWrite, 2);
    std::printf("the whole import handler, with its flushed rewrite: %.3f s; one repaint of the list: %.3f s\n",
                import, paint);
    return 0;
}
