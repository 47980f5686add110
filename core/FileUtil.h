#pragma once
// The one file-utility object of the program (g_pFileUtil).
#include <string>

class CFileUtil {
public:
    CFileUtil() = default;
    explicit CFileUtil(std::string appPath) : m_strPath(std::move(appPath)) {}
    virtual ~CFileUtil() = default;

    // Next message id from "SmsIndex.dat": the stored value plus 1; stores value + count + 2.
    // A missing or short file, a stored 0 or a value of 990001 or more counts as 1.
    static int GetNextSerial(int count);

    // The text after the last "." of the path, or an empty string.
    static std::string GetFileExt(const std::string& path);

    std::string m_strPath;
};

extern CFileUtil* g_pFileUtil;
