# The page in a real browser (web/browser_test.py): Debian's chromium,
# chromedriver and python3-selenium.
find_program(KESTROW_CHROMIUM chromium)
find_program(KESTROW_CHROMEDRIVER chromedriver)
find_program(KESTROW_PYTHON3_WEB python3 PATHS /usr/bin NO_DEFAULT_PATH)
set(browser_tools "")
if(KESTROW_WEB_TOOLS AND KESTROW_CHROMIUM AND KESTROW_CHROMEDRIVER AND KESTROW_PYTHON3_WEB)
  execute_process(COMMAND ${KESTROW_PYTHON3_WEB} -c "import selenium, PIL" RESULT_VARIABLE no_selenium
                  OUTPUT_QUIET ERROR_QUIET)
  if(NOT no_selenium)
    set(browser_tools ON)
  endif()
endif()
kestrow_tool_test(web_in_a_browser browser_tools
  "clang-14, wasi-libc, lld-14, libc++-14-dev-wasm32, chromium, chromium-driver, python3-selenium and python3-pil"
  ${KESTROW_PYTHON3_WEB} ${PROJECT_SOURCE_DIR}/web/browser_test.py --web ${PROJECT_BINARY_DIR}/web
    --bin ${PROJECT_BINARY_DIR} --sample ${PROJECT_SOURCE_DIR}/samples/sample.bmp
    --work ${PROJECT_BINARY_DIR}/web-build/browser-run --screenshot ${PROJECT_BINARY_DIR}/web-build/page.png)
set_tests_properties(web_in_a_browser PROPERTIES TIMEOUT 300)
