# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# The programs as WebAssembly for WASI, with Debian's clang-14, lld-14 and
# wasi-libc; web/CMakeLists.txt builds the page's programs through this
# from the same targets as the native ones.
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR wasm32)
set(KESTROW_WASI ON)
set(CMAKE_C_COMPILER clang-14)
set(CMAKE_CXX_COMPILER clang++-14)
set(CMAKE_C_COMPILER_TARGET wasm32-wasi)
set(CMAKE_CXX_COMPILER_TARGET wasm32-wasi)
# Link-time optimisation needs an archiver that understands LLVM bitcode:
# llvm-14's (clang-14 only recommends it). The host's build looks for it
# the same way before it turns the page on.
find_program(KESTROW_LLVM_AR llvm-ar-14 REQUIRED)
find_program(KESTROW_LLVM_RANLIB llvm-ranlib-14 REQUIRED)
set(CMAKE_AR ${KESTROW_LLVM_AR})
set(CMAKE_RANLIB ${KESTROW_LLVM_RANLIB})
set(CMAKE_C_FLAGS_INIT "-flto")
set(CMAKE_CXX_FLAGS_INIT "-flto")
# -DKESTROW_WASM_SIMD=ON: WebAssembly SIMD (Node 16.4, Chromium 91 and
# later), which the dither's vector scan uses; the page picks this build's
# dither where the browser has it.
if(KESTROW_WASM_SIMD)
  string(APPEND CMAKE_C_FLAGS_INIT " -msimd128")
  string(APPEND CMAKE_CXX_FLAGS_INIT " -msimd128")
endif()
set(CMAKE_C_FLAGS_MINSIZEREL_INIT "-Oz -DNDEBUG")
set(CMAKE_CXX_FLAGS_MINSIZEREL_INIT "-Oz -DNDEBUG")
# The programs keep row buffers of up to a few hundred KiB on the stack, as
# on Linux: a stack of 4 MiB rather than wasm-ld's 64 KiB. Their memory is
# the host's (imported), of 8 MiB to start with (the data and the stack;
# web/kestrow.js and web/run.js give that much), so that the page can hand
# each run the memory of the last, its pages already touched. strerror is
# wrapped by the source below, which every program links.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld -Wl,--strip-all -Wl,-z,stack-size=4194304 \
-Wl,--import-memory -Wl,--initial-memory=8388608 -Wl,--wrap=strerror")
set(KESTROW_WASI_SOURCES ${CMAKE_CURRENT_LIST_DIR}/../../web/strerror_enodata.cpp)
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
# Nothing is installed from this build; the install paths only need a value.
set(CMAKE_INSTALL_LIBDIR lib)
