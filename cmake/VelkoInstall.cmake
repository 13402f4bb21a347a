# What `cmake --install` puts below the prefix:
#
#   lib/libvelkocore.so.4...           the library (SONAME libvelkocore.so.4)
#   lib/libvelkohost.so.4...           the host layer the command line (and a station) runs on
#   include/velko/                     the public headers
#   lib/cmake/VelkoCore/               the CMake package: find_package(VelkoCore) gives
#                                      VelkoCore::velkocore (and VelkoCore::velko, the host)
#   lib/pkgconfig/velkocore.pc         the pkg-config file
#   bin/velko                          the host
#   lib/velko/plugins/                 the plug-ins shipped with the library (the simulator)
#   share/velko/lang/<language>/*.po   the catalogues
#   share/velko/registry/default.reg   the default registry a fresh user starts from
#   share/velko/samples/               sample sequences and setups
#   share/man/man1/velko.1             the host's manual page
#   share/doc/velkocore/               the plug-in guide and the example plug-in
#
# The library finds share/velko/ through its own location (lib/../share/velko), so an installed
# tree needs no environment variables; the host and the plug-ins find the library through their
# RUNPATH, so the prefix can be moved.
#
# Everything goes to lib/, also on multiarch systems: the library looks for its data one level up.
set(CMAKE_INSTALL_LIBDIR lib CACHE PATH "Object code libraries (lib)")
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(VELKO_PLUGIN_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/velko/plugins)
set(VELKO_CMAKE_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/VelkoCore)
set(VELKO_DOC_INSTALL_DIR ${CMAKE_INSTALL_DATADIR}/doc/velkocore)  # named after the package

# The machine-wide registry of a packaged build (see include/velko/outside/registry.hpp); empty
# for a build that is installed into a prefix of its own.
set(VELKO_SYSTEM_REGISTRY "" CACHE STRING
    "Registry file that users without a registry of their own start from (packaged builds)")
target_compile_definitions(velkocore PRIVATE VELKO_SYSTEM_REGISTRY="${VELKO_SYSTEM_REGISTRY}")

# Consumers of the headers need C++20.
target_compile_features(velkocore PUBLIC cxx_std_20)
set_target_properties(velkocore PROPERTIES EXPORT_NAME velkocore)

install(TARGETS velkocore EXPORT VelkoCoreTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/velko DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

set_target_properties(velkohost PROPERTIES EXPORT_NAME velkohost INSTALL_RPATH "$ORIGIN")
install(TARGETS velkohost EXPORT VelkoCoreTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/host/include/velko DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

if(TARGET velko)
  set_target_properties(velko PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
  install(TARGETS velko EXPORT VelkoCoreTargets RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

if(TARGET velko_simulator)
  set_target_properties(velko_simulator PROPERTIES INSTALL_RPATH "$ORIGIN/../..")
  install(TARGETS velko_simulator LIBRARY DESTINATION ${VELKO_PLUGIN_INSTALL_DIR})
endif()

install(DIRECTORY ${VELKO_DATA_DIR}/lang/ DESTINATION ${CMAKE_INSTALL_DATADIR}/velko/lang
        FILES_MATCHING PATTERN "*.po")
install(FILES ${VELKO_DATA_DIR}/registry/default.reg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/velko/registry)
install(DIRECTORY ${VELKO_DATA_DIR}/samples/ DESTINATION ${CMAKE_INSTALL_DATADIR}/velko/samples)
# The test station's pages (plain files, no build step).
install(DIRECTORY ${PROJECT_SOURCE_DIR}/apps/velko/station/web/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/velko/station)
install(FILES ${PROJECT_SOURCE_DIR}/docs/plugins.md DESTINATION ${VELKO_DOC_INSTALL_DIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${VELKO_DOC_INSTALL_DIR}/examples)

# The CMake package.
install(EXPORT VelkoCoreTargets NAMESPACE VelkoCore:: DESTINATION ${VELKO_CMAKE_INSTALL_DIR})
configure_package_config_file(
  ${CMAKE_CURRENT_LIST_DIR}/VelkoCoreConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/VelkoCoreConfig.cmake
  INSTALL_DESTINATION ${VELKO_CMAKE_INSTALL_DIR}
  PATH_VARS VELKO_PLUGIN_INSTALL_DIR CMAKE_INSTALL_DATADIR)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/VelkoCoreConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/VelkoCoreConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/VelkoCoreConfigVersion.cmake
        DESTINATION ${VELKO_CMAKE_INSTALL_DIR})

# The pkg-config file; its paths follow the prefix it is installed in. A program linked with its
# flags finds the library at run time through a RUNPATH into that prefix, except below /usr,
# where the dynamic linker looks anyway.
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  set(VELKO_PC_RUNPATH "")
else()
  set(VELKO_PC_RUNPATH "-Wl,-rpath,\${libdir}")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/velkocore.pc.in ${CMAKE_CURRENT_BINARY_DIR}/velkocore.pc
               @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/velkocore.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
