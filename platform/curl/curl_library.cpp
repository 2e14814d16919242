// The libcurl calls of the program, each finding the real one when it is first made.
#include "platform/curl/curl_library.h"

#include <cstdarg>
#include <curl/curl.h>

namespace platform::curl {

SharedLibrary& library() {
    static SharedLibrary libcurl("libcurl.so.4", "mail, the clock's time page and headlines are off");
    return libcurl;
}

} // namespace platform::curl

using platform::curl::library;

MORVIK_FORWARD_VOID(library(), curl_easy_cleanup, (CURL * handle), (handle))
MORVIK_FORWARD(library(), CURL*, curl_easy_init, (void), (), nullptr)
MORVIK_FORWARD(library(), CURLcode, curl_easy_perform, (CURL * handle), (handle), CURLE_FAILED_INIT)
MORVIK_FORWARD(library(), const char*, curl_easy_strerror, (CURLcode code), (code), "libcurl is missing")
MORVIK_FORWARD_VOID(library(), curl_free, (void* p), (p))
MORVIK_FORWARD(library(), CURLcode, curl_global_init, (long flags), (flags), CURLE_FAILED_INIT)
MORVIK_FORWARD(library(), struct curl_slist*, curl_slist_append, (struct curl_slist * list, const char* data),
               (list, data), nullptr)
MORVIK_FORWARD_VOID(library(), curl_slist_free_all, (struct curl_slist * list), (list))
MORVIK_FORWARD(library(), CURLU*, curl_url, (void), (), nullptr)
MORVIK_FORWARD_VOID(library(), curl_url_cleanup, (CURLU * handle), (handle))
MORVIK_FORWARD(library(), CURLUcode, curl_url_get,
               (CURLU * handle, CURLUPart what, char** part, unsigned int flags), (handle, what, part, flags),
               CURLUE_OUT_OF_MEMORY)
MORVIK_FORWARD(library(), CURLUcode, curl_url_set,
               (CURLU * handle, CURLUPart what, const char* part, unsigned int flags),
               (handle, what, part, flags), CURLUE_OUT_OF_MEMORY)

// The two calls that take a value of the option's type: libcurl tells the type by the option's
// number range, and so does the forwarding. Their argument lists start after an enum, as libcurl's
// own definitions do: its values are ints, which clang's warning about promotion does not know.
#if defined(__clang__)
#pragma clang diagnostic ignored "-Wvarargs"
#endif
extern "C" CURLcode(curl_easy_setopt)(CURL* handle, CURLoption option, ...) {
    using Fn = CURLcode (*)(CURL*, CURLoption, ...);
    static const Fn fn = reinterpret_cast<Fn>(library().symbol("curl_easy_setopt"));
    if (!fn)
        return CURLE_FAILED_INIT;
    va_list values;
    va_start(values, option);
    CURLcode result;
    if (option < CURLOPTTYPE_OBJECTPOINT)
        result = fn(handle, option, va_arg(values, long));
    else if (option < CURLOPTTYPE_OFF_T)
        result = fn(handle, option, va_arg(values, void*)); // objects, strings, lists, functions
    else if (option < CURLOPTTYPE_BLOB)
        result = fn(handle, option, va_arg(values, curl_off_t));
    else
        result = fn(handle, option, va_arg(values, void*));
    va_end(values);
    return result;
}

extern "C" CURLcode(curl_easy_getinfo)(CURL* handle, CURLINFO info, ...) {
    using Fn = CURLcode (*)(CURL*, CURLINFO, ...);
    static const Fn fn = reinterpret_cast<Fn>(library().symbol("curl_easy_getinfo"));
    if (!fn)
        return CURLE_FAILED_INIT;
    va_list values;
    va_start(values, info);
    void* answer = va_arg(values, void*); // every CURLINFO answers through a pointer
    va_end(values);
    return fn(handle, info, answer);
}
