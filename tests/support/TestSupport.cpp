#include "TestSupport.h"

#include <QCursor>
#include <QGuiApplication>

#include <fstream>
#include <sstream>
#include <vector>

namespace testsupport {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteFile(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
}

int WaitCursorDepth() {
    // Qt shows only the top of its stack: take the cursors off and put them back.
    std::vector<QCursor> stack;
    while (const QCursor* c = QGuiApplication::overrideCursor()) {
        stack.push_back(*c);
        QGuiApplication::restoreOverrideCursor();
    }
    int waits = 0;
    for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
        if (it->shape() == Qt::WaitCursor) ++waits;
        QGuiApplication::setOverrideCursor(*it);
    }
    return waits;
}

}  // namespace testsupport
