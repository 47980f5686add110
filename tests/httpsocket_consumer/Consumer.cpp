// A program of another project: built from "HttpSocket.h" and libhttpsocket alone.
// Usage: httpsocket_consumer <url> [<proxy host> <proxy port>]; prints the fetched address.
#include "HttpSocket.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    if (argc >= 4) {
        g_strProxyIP = argv[2];
        g_nProxyPort = std::atoi(argv[3]);
    }
    CHttpSocket http;
    std::printf("[%s]\n", http.GetMainIP(argv[1]).c_str());
    return 0;
}
