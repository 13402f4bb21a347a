# Third-party libraries, all from Debian packages (the Makefile installs them).
find_package(pugixml REQUIRED)
find_package(fmt REQUIRED)
find_path(GETTEXTPO_INCLUDE_DIR gettext-po.h REQUIRED)
find_library(GETTEXTPO_LIBRARY gettextpo REQUIRED)
add_library(velko_gettextpo INTERFACE)
target_include_directories(velko_gettextpo INTERFACE ${GETTEXTPO_INCLUDE_DIR})
target_link_libraries(velko_gettextpo INTERFACE ${GETTEXTPO_LIBRARY})

# The host layer's record archive: SQLite (embedded), PostgreSQL's client library, zlib (documents
# are kept deflated) and libsodium (content fingerprints; the signatures of records).
find_package(SQLite3 REQUIRED)
find_package(PostgreSQL REQUIRED)
find_package(ZLIB REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(SODIUM REQUIRED IMPORTED_TARGET libsodium)

# The host layer's PDF report writer: pango lays out the text, cairo writes the pages. Only
# libvelkohost links them, so that plug-in builds need neither.
pkg_check_modules(PANGOCAIRO REQUIRED IMPORTED_TARGET pangocairo cairo-pdf)
