// The GMime calls of this folder, each finding the real one when it is first made; libcurl's are
// platform/curl's.
#include "net_libraries.h"

#include "platform/curl/curl_library.h"

#include <gmime/gmime.h>

namespace mail_transfer::internal {

platform::SharedLibrary& gmime() {
    static platform::SharedLibrary libgmime("libgmime-3.0.so.0", "mail is not read or sent");
    return libgmime;
}

QString missingLibraries(bool needsCurl, bool needsGMime) {
    for (platform::SharedLibrary* library :
         {needsCurl ? &platform::curl::library() : nullptr, needsGMime ? &gmime() : nullptr}) {
        if (library && !library->available())
            return QStringLiteral("メールに要るライブラリ %1 を読み込めません")
                .arg(QString::fromUtf8(library->file()));
    }
    return {};
}

} // namespace mail_transfer::internal

using mail_transfer::internal::gmime;

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
MORVIK_FORWARD(gmime(), GMimeMessage*, g_mime_message_part_get_message, (GMimeMessagePart * part), (part),
               nullptr)
MORVIK_FORWARD(gmime(), GType, g_mime_message_part_get_type, (void), (), 0)
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
