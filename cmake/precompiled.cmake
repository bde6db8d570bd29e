# Qt's and GoogleTest's headers are most of each file's compile time: each floor parses
# them once. A library of the lower floors sees only Qt Core's headers, as its own files
# include nothing more. The clang fuzz build compiles without them, which also shows a
# file that leans on the precompiled headers instead of its own includes.
option(VINDELOR_PRECOMPILE "Precompile Qt's and GoogleTest's headers once a floor" ON)
if(VINDELOR_FUZZ)
    set(VINDELOR_PRECOMPILE OFF)
endif()

set(vindelor_pch_std <algorithm> <cstdint> <functional> <memory> <optional> <string> <vector>)
set(vindelor_pch_core ${vindelor_pch_std} <QByteArray> <QDateTime> <QDir> <QFile> <QFileInfo>
    <QList> <QObject> <QString> <QStringList> <QTimer> <QVariant>)
set(vindelor_pch_widgets ${vindelor_pch_core} <QApplication> <QCheckBox> <QDBusConnection>
    <QDBusMessage> <QDialog> <QLabel> <QLineEdit> <QPushButton> <QVBoxLayout> <QWidget>)
set(vindelor_pch_tests ${vindelor_pch_widgets} <QProcess> <QTemporaryDir> <gtest/gtest.h>
    <gmock/gmock.h>)

# A header the compiler refuses to reuse would only be slow, so say it as an error.
if(VINDELOR_PRECOMPILE)
    add_compile_options(-Winvalid-pch)
endif()

# One holder a kind (vindelor_precompiled_holder); every target of that kind reuses its
# precompiled header, so it is made once a build, not once a target. The holder links
# what its users link, since the compiler reuses a header only under the same flags.
function(vindelor_precompiled_holder kind)
    if(VINDELOR_PRECOMPILE)
        add_library(vindelor_pch_${kind} OBJECT ${PROJECT_SOURCE_DIR}/cmake/precompiled.cpp)
        target_precompile_headers(vindelor_pch_${kind} PRIVATE ${vindelor_pch_${kind}})
        target_link_libraries(vindelor_pch_${kind} PRIVATE ${ARGN})
    endif()
endfunction()
vindelor_precompiled_holder(core Qt6::Core Qt6::Gui Qt6::Widgets Qt6::DBus)
vindelor_precompiled_holder(widgets Qt6::Core Qt6::Gui Qt6::Widgets Qt6::DBus)

# vindelor_precompiled(TARGET core|widgets|tests)
function(vindelor_precompiled target kind)
    if(VINDELOR_PRECOMPILE)
        target_precompile_headers(${target} REUSE_FROM vindelor_pch_${kind})
    endif()
endfunction()

# The test programs' files compiled a few together: each file's share of GoogleTest's and
# Qt's templates is made once a batch. A file whose own helpers share a name with
# another file's of its program is compiled alone (tests/CMakeLists.txt).
option(VINDELOR_UNITY_TESTS "Compile each test program's files a few together" ON)
set(CMAKE_UNITY_BUILD_BATCH_SIZE 4)
