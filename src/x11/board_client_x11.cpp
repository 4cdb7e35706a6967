// Posting to a board on Linux with the system's libcurl, opened when first needed so that the
// game runs without it; and the kernel's random numbers.
#include "board_client.h"

#include <dlfcn.h>
#include <sys/random.h>

#include <cerrno>
#include <cstdint>
#include <mutex>
#include <type_traits>

// libcurl's own numbers for what the game sets and asks; fixed in its ABI since long before the
// oldest system the game runs on.
const int CURLOPT_WRITEDATA = 10001;           // where the answer's body goes
const int CURLOPT_URL = 10002;                 // the address posted to
const int CURLOPT_POSTFIELDS = 10015;          // the body posted
const int CURLOPT_USERAGENT = 10018;           // the game's name and version
const int CURLOPT_HTTPHEADER = 10023;          // the request's further headers
const int CURLOPT_WRITEFUNCTION = 20011;       // called with each piece of the answer's body
const int CURLOPT_POSTFIELDSIZE_LARGE = 30120; // the body's size, bytes
const int CURLOPT_NOSIGNAL = 99;               // no signals: the post runs on a thread
const int CURLOPT_TIMEOUT_MS = 155;            // the whole post's time at most, ms
const int CURLOPT_PROTOCOLS = 181;             // the protocols spoken at all,
const int CURLOPT_REDIR_PROTOCOLS = 182;       // and after a redirect (none is followed)
const long CURLPROTO_HTTP_AND_HTTPS = 1 | 2;   // HTTP and HTTPS, nothing else
const int CURLINFO_RESPONSE_CODE = 0x200002;   // the answer's HTTP status
const long CURL_GLOBAL_DEFAULT = 3;            // TLS and the rest set up

// The libcurl calls the game makes, found in the library when it is first needed.
static struct {
    void *(*easy_init)();
    int (*easy_setopt)(void *, int, ...);
    int (*easy_perform)(void *);
    int (*easy_getinfo)(void *, int, ...);
    void (*easy_cleanup)(void *);
    const char *(*easy_strerror)(int);
    void *(*slist_append)(void *, const char *);
    void (*slist_free_all)(void *);
    int (*global_init)(long);
} curl;
static bool curl_found;            // every call above was found
static std::once_flag curl_looked; // the library was looked for, once

// libcurl opened, its calls found and set up once; false when the system has none.
static bool open_curl() {
    std::call_once(curl_looked, [] {
        void *library = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
        if (!library)
            return;
        auto find = [library](auto *call, const char *name) {
            *call =
                reinterpret_cast<std::remove_reference_t<decltype(*call)>>(dlsym(library, name));
            return *call != nullptr;
        };
        curl_found = find(&curl.easy_init, "curl_easy_init") &&
                     find(&curl.easy_setopt, "curl_easy_setopt") &&
                     find(&curl.easy_perform, "curl_easy_perform") &&
                     find(&curl.easy_getinfo, "curl_easy_getinfo") &&
                     find(&curl.easy_cleanup, "curl_easy_cleanup") &&
                     find(&curl.easy_strerror, "curl_easy_strerror") &&
                     find(&curl.slist_append, "curl_slist_append") &&
                     find(&curl.slist_free_all, "curl_slist_free_all") &&
                     find(&curl.global_init, "curl_global_init") &&
                     curl.global_init(CURL_GLOBAL_DEFAULT) == 0;
    });
    return curl_found;
}

// Takes a piece of the answer's body into the string at `into`.
static size_t take_answer(char *piece, size_t size, size_t count, void *into) {
    static_cast<std::string *>(into)->append(piece, size * count);
    return size * count;
}

bool game_sends_to_boards() {
    return true;
}

int post_to_board(const std::string &url, const std::string &token,
                  const std::vector<unsigned char> &body, std::string *answer, std::string *why) {
    if (!open_curl()) {
        *why = "Sending needs libcurl, which is missing";
        return -1;
    }
    void *post = curl.easy_init();
    std::string authorization = "Authorization: Bearer " + token;
    void *headers = curl.slist_append(nullptr, authorization.c_str());
    void *typed = curl.slist_append(headers, "Content-Type: application/octet-stream");
    headers = typed ? typed : headers;
    if (!post || !headers) {
        *why = "libcurl could not begin";
        curl.slist_free_all(headers);
        if (post)
            curl.easy_cleanup(post);
        return 0;
    }
    curl.easy_setopt(post, CURLOPT_URL, url.c_str());
    curl.easy_setopt(post, CURLOPT_PROTOCOLS, CURLPROTO_HTTP_AND_HTTPS);
    curl.easy_setopt(post, CURLOPT_REDIR_PROTOCOLS, CURLPROTO_HTTP_AND_HTTPS);
    curl.easy_setopt(post, CURLOPT_NOSIGNAL, 1L);
    curl.easy_setopt(post, CURLOPT_TIMEOUT_MS, long(BOARD_WAIT_MS));
    curl.easy_setopt(post, CURLOPT_USERAGENT, "Haystack/" HAYSTACK_VERSION);
    curl.easy_setopt(post, CURLOPT_HTTPHEADER, headers);
    curl.easy_setopt(post, CURLOPT_POSTFIELDS, body.data());
    curl.easy_setopt(post, CURLOPT_POSTFIELDSIZE_LARGE, int64_t(body.size()));
    curl.easy_setopt(post, CURLOPT_WRITEFUNCTION, take_answer);
    curl.easy_setopt(post, CURLOPT_WRITEDATA, answer);
    int failed = curl.easy_perform(post);
    long status = 0;
    if (failed)
        *why = curl.easy_strerror(failed);
    else
        curl.easy_getinfo(post, CURLINFO_RESPONSE_CODE, &status);
    curl.slist_free_all(headers);
    curl.easy_cleanup(post);
    return int(status);
}

bool secure_random_bytes(unsigned char *bytes, size_t count) {
    while (count > 0) {
        ssize_t got = getrandom(bytes, count, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        bytes += got;
        count -= size_t(got);
    }
    return true;
}
