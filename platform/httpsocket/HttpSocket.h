#pragma once
// CHttpSocket: a small HTTP/1.0 client over a TCP socket (IPv4) that presents itself as a
// mobile-phone browser and can tunnel through an HTTP proxy with CONNECT. Exported by the
// shared library libhttpsocket for other programs; needs only the C and C++ runtimes.
//
// An object is used by one thread at a time; separate objects may run on separate threads.
#include <string>

#define HTTPSOCKET_API __attribute__((visibility("default")))

// Proxy host (empty: connect directly) and port, read at each Connect. The program fills them
// from "ProxyServer.ini" at start; another host program sets them itself before connecting.
extern HTTPSOCKET_API std::string g_strProxyIP;
extern HTTPSOCKET_API int g_nProxyPort;

class HTTPSOCKET_API CHttpSocket {
public:
    CHttpSocket();
    // A copy holds its own duplicate of the socket.
    CHttpSocket(const CHttpSocket& other);
    CHttpSocket& operator=(const CHttpSocket& other);
    virtual ~CHttpSocket();

    // A new TCP socket (closing one still held) with 60-second send and receive time-outs.
    // 1 on success, 0 on failure.
    int Socket();
    // Connects the socket of Socket() to host:port, bound first to localAddress when that is not
    // empty; through the proxy when g_strProxyIP is set (CONNECT host+suffix:port), which must
    // answer "HTTP/1.x 200". A connected object is closed and given a new socket first.
    // 1 when connected, 0 otherwise.
    int Connect(const char* host, const char* suffix, const char* localAddress, int port, int unused);
    // Builds the GET request for object on server in the request buffer and sets length.
    // Cookie, referer, range and server type are not used. A request that does not fit the
    // buffer is refused: length 0 and an empty buffer.
    const char* FormatRequestHeader(const char* server, const char* object, const char* unused,
                                    long& length, const char* cookie, const char* referer,
                                    long from, long to, int serverType);
    // Sends request (the request buffer when null; length 0 = its text length), then reads the
    // response header. 1 when sent, 0 when not connected or sending fails.
    int SendRequest(const char* request = nullptr, long length = 0);
    // One receive of at most length bytes; 0 when not connected. A result of 0 or less closes
    // the socket.
    long Receive(char* buffer, long length);
    // 1 when a socket was closed, 0 when none was held.
    int CloseSocket();
    // Copies the request text into buffer (at most size - 1 bytes and a NUL); its length.
    int GetRequestHeader(char* buffer, int size) const;
    // type above 0: the send time-out, otherwise the receive time-out. 1 on success.
    int SetTimeout(int milliseconds, int type);
    // Reads the response header up to its blank line, at most 1023 bytes; its text and length.
    const char* GetResponseHeader(int& length);
    // The next line of the response header into buffer; its length, -1 after the last.
    int GetResponseLine(char* buffer, int size);
    // The value of header field name into buffer; its length, -1 when absent.
    int GetField(const char* name, char* buffer, int size);
    // The status code of the response header, -1 when none was read.
    int GetServerState();
    // Fetch "http://host[:port][/object]": the text between "<body>" and "</body>" (trimmed, at
    // most 30 characters), or between "#<" and ">#"; an empty string on any failure.
    std::string GetMainIP(std::string url);
    std::string GetRegTextIP(std::string url);

private:
    void CopyFrom(const CHttpSocket& other);

    char m_requestheader[2048];
    int m_port;
    char m_ipaddr[16];
    char m_ResponseHeader[1024];
    int m_nResponseHeaderSize;
    int m_bResponsed;
    int m_bConnected;
    int m_s;
    unsigned int m_nServerAddr;  // IPv4 address of the last resolution, network byte order
    int m_nCurIndex;             // line cursor of GetResponseLine
};
