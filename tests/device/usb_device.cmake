# Tests of the base device object, on the simulated mousepad.
if(NOT TARGET veldmark_sim OR NOT TARGET veldmark_usb_device)
    return()
endif()
veldmark_test(NAME usb_device_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/usb_device_test.cpp
    LIBS veldmark_usb_device veldmark_sim LABELS device)
target_compile_definitions(usb_device_test PRIVATE
    VELDMARK_TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/data")
