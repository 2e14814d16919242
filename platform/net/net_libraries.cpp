// The libcurl and GMime calls of this folder, each finding the real one when it is first made.
#include "net_libraries.h"

#include <cstdarg>
#include <curl/curl.h>
#include <gmime/gmime.h>

namespace mail_transfer::internal {

platform::SharedLibrary& curl() {
    static platform::SharedLibrary libcurl("libcurl.so.4", "mail is not checked or sent");
    return libcurl;
}

platform::SharedLibrary& gmime() {
    static platform::SharedLibrary libgmime("libgmime-3.0.so.0", "mail is not read or sent");
    return libgmime;
}

QString missingLibraries(bool needsCurl, bool needsGMime) {
    for (platform::SharedLibrary* library :
         {needsCurl ? &curl() : nullptr, needsGMime ? &gmime() : nullptr}) {
        if (library && !library->available())
            return QStringLiteral("メールに要るライブラリ %1 を読み込めません")
                .arg(QString::fromUtf8(library->file()));
    }
    return {};
}

} // namespace mail_transfer::internal

using mail_transfer::internal::curl;
using mail_transfer::internal::gmime;

MORVIK_FORWARD_VOID(curl(), curl_easy_cleanup, (CURL * handle), (handle))
MORVIK_FORWARD(curl(), CURL*, curl_easy_init, (void), (), nullptr)
MORVIK_FORWARD(curl(), CURLcode, curl_easy_perform, (CURL * handle), (handle), CURLE_FAILED_INIT)
MORVIK_FORWARD(curl(), const char*, curl_easy_strerror, (CURLcode code), (code), "libcurl is missing")
MORVIK_FORWARD_VOID(curl(), curl_free, (void* p), (p))
MORVIK_FORWARD(curl(), CURLcode, curl_global_init, (long flags), (flags), CURLE_FAILED_INIT)
MORVIK_FORWARD(curl(), struct curl_slist*, curl_slist_append, (struct curl_slist * list, const char* data),
               (list, data), nullptr)
MORVIK_FORWARD_VOID(curl(), curl_slist_free_all, (struct curl_slist * list), (list))
MORVIK_FORWARD(curl(), CURLU*, curl_url, (void), (), nullptr)
MORVIK_FORWARD_VOID(curl(), curl_url_cleanup, (CURLU * handle), (handle))
MORVIK_FORWARD(curl(), CURLUcode, curl_url_get,
               (CURLU * handle, CURLUPart what, char** part, unsigned int flags), (handle, what, part, flags),
               CURLUE_OUT_OF_MEMORY)
MORVIK_FORWARD(curl(), CURLUcode, curl_url_set,
               (CURLU * handle, CURLUPart what, const char* part, unsigned int flags),
               (handle, what, part, flags), CURLUE_OUT_OF_MEMORY)

// The two calls that take a value of the option's type: libcurl tells the type by the option's
// number range, and so does the forwarding.
extern "C" CURLcode(curl_easy_setopt)(CURL* handle, CURLoption option, ...) {
    using Fn = CURLcode (*)(CURL*, CURLoption, ...);
    static const Fn fn = reinterpret_cast<Fn>(curl().symbol("curl_easy_setopt"));
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
    static const Fn fn = reinterpret_cast<Fn>(curl().symbol("curl_easy_getinfo"));
    if (!fn)
        return CURLE_FAILED_INIT;
    va_list values;
    va_start(values, info);
    void* answer = va_arg(values, void*); // every CURLINFO answers through a pointer
    va_end(values);
    return fn(handle, info, answer);
}

MORVIK_FORWARD(gmime(), gboolean, g_mime_content_type_is_type,
               (GMimeContentType * content_type, const char* type, const char* subtype),
               (content_type, type, subtype), FALSE)
MORVIK_FORWARD(gmime(), GMimeDataWrapper*, g_mime_data_wrapper_new_with_stream,
               (GMimeStream * stream, GMimeContentEncoding encoding), (stream, encoding), nullptr)
MORVIK_FORWARD(gmime(), ssize_t, g_mime_data_wrapper_write_to_stream,
               (GMimeDataWrapper * wrapper, GMimeStream* stream), (wrapper, stream), -1)
MORVIK_FORWARD_VOID(gmime(), g_mime_format_options_free, (GMimeFormatOptions * options), (options))
MORVIK_FORWARD(gmime(), GMimeFormatOptions*, g_mime_format_options_new, (void), (), nullptr)
MORVIK_FORWARD_VOID(gmime(), g_mime_format_options_set_newline_format,
                    (GMimeFormatOptions * options, GMimeNewLineFormat newline), (options, newline))
MORVIK_FORWARD(gmime(), const char*, g_mime_header_get_raw_value, (GMimeHeader * header), (header), nullptr)
MORVIK_FORWARD(gmime(), GMimeHeader*, g_mime_header_list_get_header,
               (GMimeHeaderList * headers, const char* name), (headers, name), nullptr)
MORVIK_FORWARD_VOID(gmime(), g_mime_init, (void), ())
MORVIK_FORWARD_VOID(gmime(), g_mime_message_add_mailbox,
                    (GMimeMessage * message, GMimeAddressType type, const char* name, const char* addr),
                    (message, type, name, addr))
MORVIK_FORWARD(gmime(), GDateTime*, g_mime_message_get_date, (GMimeMessage * message), (message), nullptr)
MORVIK_FORWARD(gmime(), GMimeObject*, g_mime_message_get_mime_part, (GMimeMessage * message), (message),
               nullptr)
MORVIK_FORWARD(gmime(), GMimeMessage*, g_mime_message_new, (gboolean pretty_headers), (pretty_headers),
               nullptr)
MORVIK_FORWARD_VOID(gmime(), g_mime_message_set_date, (GMimeMessage * message, GDateTime* date),
                    (message, date))
MORVIK_FORWARD_VOID(gmime(), g_mime_message_set_message_id, (GMimeMessage * message, const char* message_id),
                    (message, message_id))
MORVIK_FORWARD_VOID(gmime(), g_mime_message_set_mime_part, (GMimeMessage * message, GMimeObject* mime_part),
                    (message, mime_part))
MORVIK_FORWARD(gmime(), int, g_mime_multipart_get_count, (GMimeMultipart * multipart), (multipart), -1)
MORVIK_FORWARD(gmime(), GMimeObject*, g_mime_multipart_get_part, (GMimeMultipart * multipart, int index),
               (multipart, index), nullptr)
MORVIK_FORWARD(gmime(), GType, g_mime_multipart_get_type, (void), (), 0)
MORVIK_FORWARD(gmime(), GMimeContentType*, g_mime_object_get_content_type, (GMimeObject * object), (object),
               nullptr)
MORVIK_FORWARD(gmime(), const char*, g_mime_object_get_content_type_parameter,
               (GMimeObject * object, const char* name), (object, name), nullptr)
MORVIK_FORWARD(gmime(), GMimeHeaderList*, g_mime_object_get_header_list, (GMimeObject * object), (object),
               nullptr)
MORVIK_FORWARD(gmime(), GType, g_mime_object_get_type, (void), (), 0)
MORVIK_FORWARD_VOID(gmime(), g_mime_object_set_header,
                    (GMimeObject * object, const char* header, const char* value, const char* charset),
                    (object, header, value, charset))
MORVIK_FORWARD(gmime(), ssize_t, g_mime_object_write_to_stream,
               (GMimeObject * object, GMimeFormatOptions* options, GMimeStream* stream),
               (object, options, stream), -1)
MORVIK_FORWARD(gmime(), GMimeMessage*, g_mime_parser_construct_message,
               (GMimeParser * parser, GMimeParserOptions* options), (parser, options), nullptr)
MORVIK_FORWARD(gmime(), GMimeParser*, g_mime_parser_new_with_stream, (GMimeStream * stream), (stream),
               nullptr)
MORVIK_FORWARD_VOID(gmime(), g_mime_parser_options_free, (GMimeParserOptions * options), (options))
MORVIK_FORWARD(gmime(), GMimeParserOptions*, g_mime_parser_options_new, (void), (), nullptr)
MORVIK_FORWARD_VOID(gmime(), g_mime_parser_options_set_address_compliance_mode,
                    (GMimeParserOptions * options, GMimeRfcComplianceMode mode), (options, mode))
MORVIK_FORWARD_VOID(gmime(), g_mime_parser_options_set_parameter_compliance_mode,
                    (GMimeParserOptions * options, GMimeRfcComplianceMode mode), (options, mode))
MORVIK_FORWARD_VOID(gmime(), g_mime_parser_options_set_rfc2047_compliance_mode,
                    (GMimeParserOptions * options, GMimeRfcComplianceMode mode), (options, mode))
MORVIK_FORWARD(gmime(), GMimeDataWrapper*, g_mime_part_get_content, (GMimePart * mime_part), (mime_part),
               nullptr)
MORVIK_FORWARD(gmime(), const char*, g_mime_part_get_filename, (GMimePart * mime_part), (mime_part), nullptr)
MORVIK_FORWARD(gmime(), GType, g_mime_part_get_type, (void), (), 0)
MORVIK_FORWARD(gmime(), gboolean, g_mime_part_is_attachment, (GMimePart * mime_part), (mime_part), FALSE)
MORVIK_FORWARD_VOID(gmime(), g_mime_part_set_content, (GMimePart * mime_part, GMimeDataWrapper* content),
                    (mime_part, content))
MORVIK_FORWARD_VOID(gmime(), g_mime_part_set_content_encoding,
                    (GMimePart * mime_part, GMimeContentEncoding encoding), (mime_part, encoding))
MORVIK_FORWARD(gmime(), GByteArray*, g_mime_stream_mem_get_byte_array, (GMimeStreamMem * mem), (mem), nullptr)
MORVIK_FORWARD(gmime(), GType, g_mime_stream_mem_get_type, (void), (), 0)
MORVIK_FORWARD(gmime(), GMimeStream*, g_mime_stream_mem_new, (void), (), nullptr)
MORVIK_FORWARD(gmime(), GMimeStream*, g_mime_stream_mem_new_with_buffer, (const char* buffer, size_t len),
               (buffer, len), nullptr)
MORVIK_FORWARD(gmime(), GMimeTextPart*, g_mime_text_part_new_with_subtype, (const char* subtype), (subtype),
               nullptr)
MORVIK_FORWARD_VOID(gmime(), g_mime_text_part_set_charset, (GMimeTextPart * mime_part, const char* charset),
                    (mime_part, charset))
MORVIK_FORWARD(gmime(), char*, g_mime_utils_generate_message_id, (const char* fqdn), (fqdn), nullptr)
MORVIK_FORWARD(gmime(), const char*, internet_address_get_name, (InternetAddress * ia), (ia), nullptr)
MORVIK_FORWARD(gmime(), InternetAddressList*, internet_address_group_get_members,
               (InternetAddressGroup * group), (group), nullptr)
MORVIK_FORWARD(gmime(), GType, internet_address_group_get_type, (void), (), 0)
MORVIK_FORWARD(gmime(), InternetAddress*, internet_address_list_get_address,
               (InternetAddressList * list, int index), (list, index), nullptr)
MORVIK_FORWARD(gmime(), int, internet_address_list_length, (InternetAddressList * list), (list), -1)
MORVIK_FORWARD(gmime(), InternetAddressList*, internet_address_list_parse,
               (GMimeParserOptions * options, const char* str), (options, str), nullptr)
MORVIK_FORWARD(gmime(), const char*, internet_address_mailbox_get_addr, (InternetAddressMailbox * mailbox),
               (mailbox), nullptr)
MORVIK_FORWARD(gmime(), GType, internet_address_mailbox_get_type, (void), (), 0)
MORVIK_FORWARD_VOID(gmime(), internet_address_set_name, (InternetAddress * ia, const char* name), (ia, name))
MORVIK_FORWARD(gmime(), char*, internet_address_to_string,
               (InternetAddress * ia, GMimeFormatOptions* options, gboolean encode), (ia, options, encode),
               nullptr)
