// Posting to a board on Windows with WinHTTP, part of the system, and the system's random numbers.
#include "board_client.h"

#include <windows.h>
#include <bcrypt.h>
#include <winhttp.h>

// Closes a WinHTTP handle when it goes.
struct Handle {
    HINTERNET h;
    ~Handle() {
        if (h)
            WinHttpCloseHandle(h);
    }
};

// The ASCII text widened, for WinHTTP's calls.
static std::wstring wide(const std::string &text) {
    return std::wstring(text.begin(), text.end());
}

// The last failure as a line: WinHTTP's number for it.
static std::string failure(const char *what) {
    return std::string(what) + " failed (error " + std::to_string(GetLastError()) + ")";
}

bool game_sends_to_boards() {
    return true;
}

// Sends the request and reads its status and body into *answer; 0 with why on failure.
static int send_request(HINTERNET request, const std::string &token,
                        const std::vector<unsigned char> &body, std::string *answer,
                        std::string *why) {
    std::wstring headers =
        wide("Authorization: Bearer " + token + "\r\nContent-Type: application/octet-stream\r\n");
    void *data = const_cast<unsigned char *>(body.data());
    DWORD size = DWORD(body.size());
    if (!WinHttpSendRequest(request, headers.c_str(), DWORD(-1L), data, size, size, 0) ||
        !WinHttpReceiveResponse(request, nullptr)) {
        *why = failure("sending");
        return 0;
    }
    DWORD status = 0, status_size = sizeof status;
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &status_size,
                             WINHTTP_NO_HEADER_INDEX)) {
        *why = failure("reading the answer");
        return 0;
    }
    char piece[4096];
    DWORD got = 0;
    while (WinHttpReadData(request, piece, sizeof piece, &got) && got > 0)
        answer->append(piece, got);
    return int(status);
}

int post_to_board(const std::string &url, const std::string &token,
                  const std::vector<unsigned char> &body, std::string *answer, std::string *why) {
    std::wstring address = wide(url);
    URL_COMPONENTS parts = {};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = DWORD(-1);
    if (!WinHttpCrackUrl(address.c_str(), 0, 0, &parts)) {
        *why = failure("reading the board's address");
        return 0;
    }
    std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength + parts.dwExtraInfoLength);
    bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS; // certificates checked by default
    std::wstring agent = wide("Haystack/" HAYSTACK_VERSION);
    Handle session{WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY,
                               WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0)};
    if (session.h)
        WinHttpSetTimeouts(session.h, BOARD_WAIT_MS, BOARD_WAIT_MS, BOARD_WAIT_MS, BOARD_WAIT_MS);
    Handle connection{session.h ? WinHttpConnect(session.h, host.c_str(), parts.nPort, 0)
                                : nullptr};
    Handle request{connection.h
                       ? WinHttpOpenRequest(connection.h, L"POST", path.c_str(), nullptr,
                                            WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                            secure ? WINHTTP_FLAG_SECURE : 0)
                       : nullptr};
    if (!request.h) {
        *why = failure("opening the connection");
        return 0;
    }
    return send_request(request.h, token, body, answer, why);
}

bool secure_random_bytes(unsigned char *bytes, size_t count) {
    return BCRYPT_SUCCESS(
        BCryptGenRandom(nullptr, bytes, ULONG(count), BCRYPT_USE_SYSTEM_PREFERRED_RNG));
}
