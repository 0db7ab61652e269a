# Helpers shared by the tests and the benchmarks: test PKI, loopback TLS
# server, temporary directories, the libraries' own texts.
find_package(GTest REQUIRED)

file(GLOB_RECURSE _support_src CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/support/*.cpp)
add_library(xndtestsupport STATIC ${_support_src})
target_include_directories(xndtestsupport PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(xndtestsupport PUBLIC xndplatform GTest::gtest OpenSSL::SSL OpenSSL::Crypto
                      PkgConfig::LIBXML2 CURL::libcurl)
target_compile_definitions(xndtestsupport PUBLIC
  XND_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
  XND_SHARED_DIR="${PROJECT_SOURCE_DIR}/../shared")
