// libzip is opened when the first archive is made, not when the program
// starts: loading it, and the crypto library it brings along, made up a
// fifth of the program's start-up, and most runs never make an archive.
// These definitions stand in for the library's own: each opens the library
// on first use and calls the function of the same name in it.
#include <cerrno>
#include <dlfcn.h>
#include <zip.h>

namespace {

void* symbol(const char* name) {
    static void* const library = dlopen(QUOBLIN_LIBZIP, RTLD_NOW | RTLD_LOCAL);
    return library ? dlsym(library, name) : nullptr;
}

template <typename Function> Function* resolved(const char* name) {
    return reinterpret_cast<Function*>(symbol(name));
}

} // namespace

// Without the library no archive can be made: every call fails as libzip's
// own would when it cannot allocate.
#define QUOBLIN_ZIP(result, name, failed, parameters, arguments)                                   \
    extern "C" result name parameters {                                                            \
        static const auto real = resolved<result parameters>(#name);                               \
        if (!real)                                                                                 \
            return failed;                                                                         \
        return real arguments;                                                                     \
    }

QUOBLIN_ZIP(int, zip_close, -1, (zip_t * a), (a))
QUOBLIN_ZIP(zip_int64_t, zip_dir_add, -1, (zip_t * a, const char* b, zip_flags_t c), (a, b, c))
QUOBLIN_ZIP(void, zip_discard, void(), (zip_t * a), (a))
QUOBLIN_ZIP(void, zip_error_fini, void(), (zip_error_t * a), (a))
QUOBLIN_ZIP(void, zip_error_init, void(), (zip_error_t * a), (a))
QUOBLIN_ZIP(void, zip_error_set, void(), (zip_error_t * a, int b, int c), (a, b, c))
QUOBLIN_ZIP(zip_int64_t, zip_error_to_data, -1, (const zip_error_t* a, void* b, zip_uint64_t c),
            (a, b, c))
QUOBLIN_ZIP(zip_int64_t, zip_file_add, -1,
            (zip_t * a, const char* b, zip_source_t* c, zip_flags_t d), (a, b, c, d))
QUOBLIN_ZIP(int, zip_file_extra_field_set, -1,
            (zip_t * a, zip_uint64_t b, zip_uint16_t c, zip_uint16_t d, const zip_uint8_t* e,
             zip_uint16_t f, zip_flags_t g),
            (a, b, c, d, e, f, g))
QUOBLIN_ZIP(int, zip_file_set_external_attributes, -1,
            (zip_t * a, zip_uint64_t b, zip_flags_t c, zip_uint8_t d, zip_uint32_t e),
            (a, b, c, d, e))
QUOBLIN_ZIP(int, zip_file_set_mtime, -1, (zip_t * a, zip_uint64_t b, time_t c, zip_flags_t d),
            (a, b, c, d))
QUOBLIN_ZIP(zip_int64_t, zip_get_num_entries, -1, (zip_t * a, zip_flags_t b), (a, b))
QUOBLIN_ZIP(int, zip_register_progress_callback_with_state, -1,
            (zip_t * a, double b, zip_progress_callback c, void (*d)(void*), void* e),
            (a, b, c, d, e))
QUOBLIN_ZIP(int, zip_set_file_compression, -1,
            (zip_t * a, zip_uint64_t b, zip_int32_t c, zip_uint32_t d), (a, b, c, d))
QUOBLIN_ZIP(zip_source_t*, zip_source_buffer, nullptr,
            (zip_t * a, const void* b, zip_uint64_t c, int d), (a, b, c, d))
QUOBLIN_ZIP(void, zip_source_free, void(), (zip_source_t * a), (a))
QUOBLIN_ZIP(zip_source_t*, zip_source_function, nullptr,
            (zip_t * a, zip_source_callback b, void* c), (a, b, c))
QUOBLIN_ZIP(int, zip_stat_index, -1, (zip_t * a, zip_uint64_t b, zip_flags_t c, zip_stat_t* d),
            (a, b, c, d))
QUOBLIN_ZIP(void, zip_stat_init, void(), (zip_stat_t * a), (a))

#undef QUOBLIN_ZIP

extern "C" zip_t* zip_open(const char* path, int flags, int* error) {
    static const auto real = resolved<zip_t*(const char*, int, int*)>("zip_open");
    if (real)
        return real(path, flags, error);
    if (error)
        *error = ZIP_ER_MEMORY;
    return nullptr;
}
