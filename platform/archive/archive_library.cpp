// The libarchive calls of this folder, each finding the real one when it is first made.
#include "platform/archive/archive_library.h"

#include <archive.h>
#include <archive_entry.h>

namespace platform::archive {

SharedLibrary& library() {
    static SharedLibrary libarchive("libarchive.so.13", "archives are not unpacked");
    return libarchive;
}

} // namespace platform::archive

using platform::archive::library;

MORVIK_FORWARD(library(), struct archive*, archive_read_new, (void), (), nullptr)
MORVIK_FORWARD(library(), int, archive_read_free, (struct archive * a), (a), ARCHIVE_FATAL)
MORVIK_FORWARD(library(), int, archive_read_support_format_cab, (struct archive * a), (a), ARCHIVE_FATAL)
MORVIK_FORWARD(library(), int, archive_read_support_format_lha, (struct archive * a), (a), ARCHIVE_FATAL)
MORVIK_FORWARD(library(), int, archive_read_support_format_rar, (struct archive * a), (a), ARCHIVE_FATAL)
MORVIK_FORWARD(library(), int, archive_read_support_format_rar5, (struct archive * a), (a), ARCHIVE_FATAL)
MORVIK_FORWARD(library(), int, archive_read_support_format_zip, (struct archive * a), (a), ARCHIVE_FATAL)
MORVIK_FORWARD(library(), int, archive_read_set_format_option,
               (struct archive * a, const char* m, const char* o, const char* v), (a, m, o, v), ARCHIVE_FATAL)
MORVIK_FORWARD(library(), int, archive_read_open_filename,
               (struct archive * a, const char* file, size_t block), (a, file, block), ARCHIVE_FATAL)
MORVIK_FORWARD(library(), int, archive_read_next_header, (struct archive * a, struct archive_entry** entry),
               (a, entry), ARCHIVE_FATAL)
MORVIK_FORWARD(library(), int, archive_read_data_block,
               (struct archive * a, const void** buffer, size_t* size, la_int64_t* offset),
               (a, buffer, size, offset), ARCHIVE_FATAL)
MORVIK_FORWARD(library(), const char*, archive_error_string, (struct archive * a), (a), nullptr)
MORVIK_FORWARD(library(), const char*, archive_version_string, (void), (), nullptr)
MORVIK_FORWARD(library(), const char*, archive_zlib_version, (void), (), nullptr)

MORVIK_FORWARD(library(), struct archive*, archive_write_disk_new, (void), (), nullptr)
MORVIK_FORWARD(library(), int, archive_write_disk_set_options, (struct archive * a, int flags), (a, flags),
               ARCHIVE_FATAL)
MORVIK_FORWARD(library(), int, archive_write_header, (struct archive * a, struct archive_entry* entry),
               (a, entry), ARCHIVE_FATAL)
MORVIK_FORWARD(library(), la_ssize_t, archive_write_data_block,
               (struct archive * a, const void* buffer, size_t size, la_int64_t offset),
               (a, buffer, size, offset), ARCHIVE_FATAL)
MORVIK_FORWARD(library(), int, archive_write_finish_entry, (struct archive * a), (a), ARCHIVE_FATAL)
MORVIK_FORWARD(library(), int, archive_write_close, (struct archive * a), (a), ARCHIVE_FATAL)
MORVIK_FORWARD(library(), int, archive_write_free, (struct archive * a), (a), ARCHIVE_FATAL)

MORVIK_FORWARD(library(), __LA_MODE_T, archive_entry_filetype, (struct archive_entry * entry), (entry), 0)
MORVIK_FORWARD(library(), int, archive_entry_is_data_encrypted, (struct archive_entry * entry), (entry), -1)
MORVIK_FORWARD(library(), const char*, archive_entry_pathname, (struct archive_entry * entry), (entry),
               nullptr)
MORVIK_FORWARD(library(), const char*, archive_entry_symlink, (struct archive_entry * entry), (entry),
               nullptr)
MORVIK_FORWARD(library(), const char*, archive_entry_hardlink, (struct archive_entry * entry), (entry),
               nullptr)
MORVIK_FORWARD_VOID(library(), archive_entry_set_pathname, (struct archive_entry * entry, const char* name),
                    (entry, name))
MORVIK_FORWARD_VOID(library(), archive_entry_set_symlink, (struct archive_entry * entry, const char* name),
                    (entry, name))
MORVIK_FORWARD_VOID(library(), archive_entry_set_hardlink, (struct archive_entry * entry, const char* name),
                    (entry, name))
