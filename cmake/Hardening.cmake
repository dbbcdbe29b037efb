# Hardened programs: the protections Debian's build flags give a package (dpkg-buildflags with
# hardening=+all), set here so that every build of a password manager has them, not just the package.
#
#   position-independent executables       -fPIE / -pie (Qt's own targets ask for -fPIC: also fine)
#   full RELRO, immediate binding           -Wl,-z,relro -Wl,-z,now
#   the strong stack protector              -fstack-protector-strong
#   checked buffer functions                -D_FORTIFY_SOURCE=2 (only where the code is optimised)
#   stack clash protection                  -fstack-clash-protection
#   control-flow protection                 -fcf-protection (x86 compilers that have it), and the
#                                           program marked for it (see below)
#   format strings                          -Wformat -Werror=format-security
#
# Sanitizer and fuzz builds are left without them: AddressSanitizer does its own checking, and
# _FORTIFY_SOURCE's checked functions only hide accesses from it. tests/CMakeLists.txt runs
# hardening-check on the three programs when QUORVANE_HARDENED is set.

option(QUORVANE_HARDEN "Build with the distribution's hardening flags (off in sanitizer and fuzz builds)" ON)

set(QUORVANE_HARDENED OFF)
if(QUORVANE_HARDEN AND NOT QUORVANE_SANITIZE AND NOT QUORVANE_FUZZ)
    set(QUORVANE_HARDENED ON)
    include(CheckPIESupported)
    include(CheckCXXCompilerFlag)
    check_pie_supported(LANGUAGES CXX)
    set(CMAKE_POSITION_INDEPENDENT_CODE ON)

    add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security)
    foreach(flag -fstack-clash-protection -fcf-protection)
        string(MAKE_C_IDENTIFIER "QUORVANE_HAS${flag}" var)
        check_cxx_compiler_flag(${flag} ${var})
        if(${var})
            add_compile_options(${flag})
        endif()
    endforeach()
    # glibc's checked functions need the optimiser (it warns at -O0), so Debug builds go without.
    # Any level given from outside (CPPFLAGS) is replaced rather than redefined.
    add_compile_options("$<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
    add_link_options(-Wl,-z,relro -Wl,-z,now)
    # The linker marks a program as ready for indirect branch tracking and shadow stacks only when every
    # object in it is. Ours all are (-fcf-protection), but Debian 12's glibc start files (Scrt1.o,
    # crti.o, crtn.o: plain calls and returns, nothing a shadow stack objects to) carry no marks, so no
    # program linked here would get them. The marks are asked for outright instead; the PLT then gets
    # its landing pads too. `-Wl,-z,cet-report=warning` lists the objects without marks.
    if(QUORVANE_HAS_fcf_protection AND CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|i.86)$")
        include(CheckLinkerFlag)
        check_linker_flag(CXX "LINKER:-z,ibt,-z,shstk" QUORVANE_HAS_CET_MARKS)
        if(QUORVANE_HAS_CET_MARKS)
            add_link_options(LINKER:-z,ibt,-z,shstk)
        endif()
    endif()
endif()
message(STATUS "Hardening flags: ${QUORVANE_HARDENED}")
