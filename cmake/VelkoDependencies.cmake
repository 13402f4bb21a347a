# Third-party libraries, all from Debian packages (the Makefile installs them).
find_package(pugixml REQUIRED)
find_package(fmt REQUIRED)
find_path(GETTEXTPO_INCLUDE_DIR gettext-po.h REQUIRED)
find_library(GETTEXTPO_LIBRARY gettextpo REQUIRED)
add_library(velko_gettextpo INTERFACE)
target_include_directories(velko_gettextpo INTERFACE ${GETTEXTPO_INCLUDE_DIR})
target_link_libraries(velko_gettextpo INTERFACE ${GETTEXTPO_LIBRARY})
# libsodium: the Ed25519 signatures of test records (host layer).
find_path(SODIUM_INCLUDE_DIR sodium.h REQUIRED)
find_library(SODIUM_LIBRARY sodium REQUIRED)
add_library(velko_sodium INTERFACE)
target_include_directories(velko_sodium INTERFACE ${SODIUM_INCLUDE_DIR})
target_link_libraries(velko_sodium INTERFACE ${SODIUM_LIBRARY})
