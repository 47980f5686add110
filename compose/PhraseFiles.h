#pragma once
// Phrase type files "TextSink\<type>.txt": 500-byte records, GBK, NUL-padded, no header, in
// the order the list shows them. A new phrase is appended; every other change rewrites the
// file atomically. No widget here.
#include "platform/RowStore.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace phrasefiles {

constexpr std::size_t kRecordSize = 500;
constexpr std::size_t kMaxRecords = 100000;
// Text bytes of a record: its last byte stays NUL.
constexpr std::size_t kMaxTextBytes = kRecordSize - 1;

// The folder of the type files and the file of a type (file-system paths).
std::string TypeFolder();
std::string TypeFile(const std::string& type);

// The type names: the files (not folders) of the folder whose name holds ".txt", less their
// last four characters, in the order of the sorted listing.
std::vector<std::string> ListTypes();
// A type exists on disk.
bool TypeFileExists(const std::string& type);

// The lists keep a phrase as its record's GBK bytes (a row store cell, shown through
// RowStoreModel::SetGbkCells), so loads, imports and rewrites copy bytes and only the rows
// on screen are decoded.

// Every whole record of the file, up to a short read or kMaxRecords, first record first, each
// as a packed row of `columns` cells, the first the record's GBK text. False (nothing read)
// when the file cannot be opened.
bool ReadPhraseRows(const std::string& path, std::vector<rows::PackedRow>& out, int columns);
// The same as plain (UTF-8) texts.
bool ReadPhrases(const std::string& path, std::vector<std::string>& out);

// Appends one record holding the text (UTF-8); a torn tail is cut first. The folder is made
// when missing.
bool AppendPhrase(const std::string& type, std::string_view utf8);

// Rewrites the type file with these phrases (the GBK cells of column 0 of the store's rows),
// first on top; atomic. The store stays locked while it is written.
bool WritePhraseStore(const std::string& path, rows::RowStore& store);
// The same from plain (UTF-8) texts.
bool WritePhrases(const std::string& path, const std::vector<std::string>& phrases);

// The phrases of an import text (GBK bytes), as packed rows of `columns` cells holding GBK:
// at each step the rest is trimmed at both ends and the part before the next line end (CR LF
// or LF; all of it when none follows) is one phrase, cut to kMaxTextBytes on a character
// boundary; at most maxPhrases steps. Line ends and blanks are never GBK trail bytes, so the
// bytes are cut as they stand. leftOut, when given, receives the number of phrases the text
// holds past the last step taken.
std::vector<rows::PackedRow> SplitImportRows(std::string_view gbk, std::size_t maxPhrases, int columns,
                                            std::size_t* leftOut = nullptr);

// The message of an import that reached the record limit: how many phrases it added and how
// many it left out.
std::string ImportCapText(std::size_t imported, std::size_t leftOut);

// The export text: each phrase of the store (GBK, column 0) followed by CR LF.
std::string ExportText(rows::RowStore& store);

}  // namespace phrasefiles
