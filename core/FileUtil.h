#pragma once
// The one file-utility object of the program (g_pFileUtil).
#include <cstddef>
#include <string>
#include <vector>

class CFileUtil {
public:
    CFileUtil() = default;
    explicit CFileUtil(std::string appPath) : m_strPath(std::move(appPath)) {}
    virtual ~CFileUtil() = default;

    // Next message id from "SmsIndex.dat": the stored value plus 1; stores value + count + 2.
    // A missing or short file, a stored 0 or a value of 990001 or more counts as 1. One lock
    // around the read and the write; within a run no id is handed out twice, even when the
    // file cannot be written.
    static int GetNextSerial(int count);
    // The ids of n successive GetNextSerial(1) calls, taken with one write of the file.
    static std::vector<int> GetNextSerials(std::size_t n);

    // The text after the last "." of the path, or an empty string.
    static std::string GetFileExt(const std::string& path);

    // Deletes every file (not the sub-folders) of the folder (a stored path); returns 1.
    static int DeleteFolderFiles(const std::string& folder);

    // 1 when the name holds none of \ / : * ? " < > | ' , and blank; else shows
    // "输入框中不得包含下列字符：..." in the standard message box and returns 0.
    static int CheckName(const std::string& name);

    // Image format id of a file extension (case ignored): bmp 1, gif 2, jpg/jpeg 3, png 4, ico 5,
    // tif/tiff 6, tga 7, pcx 8, wbmp 9, wmf/emf 10, jp2/j2k 11, jpc/j2c 12, pgx 13, pnm/pgm/ppm 14,
    // ras 15; 0 for anything else.
    static int GetImageType(const std::string& ext);

    std::string m_strPath;
};

extern CFileUtil* g_pFileUtil;
