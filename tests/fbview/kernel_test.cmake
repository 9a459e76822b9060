# The kernel test: Debian's own kernel (linux-image-amd64, unpacked with
# dpkg-deb -x, never installed; .ci/run puts it in /var/cache/kestrow/linux
# and KESTROW_KERNEL names another) under qemu-system-x86_64 without KVM,
# booting an initramfs of busybox-static, a static fbview and photo files.
# fbview draws on vesafb at 16, 24 and 32 bits a pixel; the QEMU monitor's
# screendump must equal photo2bmp's preview centred on black.
set(KESTROW_KERNEL "" CACHE FILEPATH
    "A Linux kernel image (x86-64) for the framebuffer test; empty: the newest in /var/cache/kestrow/linux/boot")
set(kernel "${KESTROW_KERNEL}")
if(NOT kernel)
  file(GLOB found_kernels /var/cache/kestrow/linux/boot/vmlinuz-*)
  list(SORT found_kernels)
  if(found_kernels)
    list(POP_BACK found_kernels kernel)
  endif()
endif()
find_program(QEMU_SYSTEM_X86 qemu-system-x86_64)
find_program(CPIO cpio)
find_program(KESTROW_PYTHON3_FB python3 PATHS /usr/bin NO_DEFAULT_PATH)
set(BUSYBOX_STATIC /bin/busybox)
set(kernel_tools "")
if(kernel AND EXISTS "${kernel}" AND QEMU_SYSTEM_X86 AND CPIO AND KESTROW_PYTHON3_FB
   AND EXISTS ${BUSYBOX_STATIC})
  set(kernel_tools ON)
endif()

# Linked statically: the initramfs holds no C library.
add_executable(fbview_static ${PROJECT_SOURCE_DIR}/fbview/fbview.c)
target_link_libraries(fbview_static PRIVATE photo_file kestrow_warnings)
target_link_options(fbview_static PRIVATE -static)
set_target_properties(fbview_static PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/fbview-build)

kestrow_tool_test(fbview_on_a_kernel kernel_tools
  "qemu-system-x86, busybox-static, cpio, python3 and Debian's kernel unpacked in /var/cache/kestrow/linux (see .ci/run)"
  ${KESTROW_PYTHON3_FB} ${PROJECT_SOURCE_DIR}/fbview/kernel_test.py
    --qemu ${QEMU_SYSTEM_X86} --kernel ${kernel} --busybox ${BUSYBOX_STATIC} --cpio ${CPIO}
    --fbview $<TARGET_FILE:fbview_static> --kestrow $<TARGET_FILE:kestrow> --kestrow16 $<TARGET_FILE:kestrow16>
    --photo2bmp $<TARGET_FILE:photo2bmp> --make-picture $<TARGET_FILE:make_picture>
    --sample ${PROJECT_SOURCE_DIR}/samples/sample.bmp --work ${PROJECT_BINARY_DIR}/fbview-build/kernel-run)
set_tests_properties(fbview_on_a_kernel PROPERTIES TIMEOUT 300)
