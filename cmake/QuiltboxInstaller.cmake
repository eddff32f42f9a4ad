# The Windows packages: the zip, and an NSIS installer (Debian's nsis runs on the build machine) that puts both
# programs under Program Files\Quiltbox, adds the Start-menu entry "Quiltbox", an uninstaller in the system's list of
# programs and the project file type, so that opening a .qbp file starts Quiltbox.exe with it (the program opens the
# project named first on its command line). "/S" installs and uninstalls without a question.
set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_PACKAGE_FILE_NAME quiltbox-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Quiltbox)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Quiltbox)
set(CPACK_PACKAGE_EXECUTABLES Quiltbox Quiltbox)

set(CPACK_NSIS_PACKAGE_NAME Quiltbox)
set(CPACK_NSIS_DISPLAY_NAME Quiltbox)
# A 64-bit installer, like the programs: Program Files and the registry are then the 64-bit ones, with no redirection.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_NSIS_INSTALLED_ICON_NAME Quiltbox.exe)
set(CPACK_NSIS_MUI_ICON ${PROJECT_BINARY_DIR}/res/quiltbox.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_BINARY_DIR}/res/quiltbox.ico)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")

# The project file type. The uninstaller leaves ".qbp" to whichever program took it over since.
set(qbp_class "Software\\Classes\\Quiltbox.Project")
string(CONCAT CPACK_NSIS_EXTRA_INSTALL_COMMANDS
    "WriteRegStr SHCTX 'Software\\Classes\\.qbp' '' 'Quiltbox.Project'\n"
    "WriteRegStr SHCTX '${qbp_class}' '' 'Quiltbox プロジェクト'\n"
    "WriteRegStr SHCTX '${qbp_class}\\DefaultIcon' '' '$INSTDIR\\Quiltbox.exe,0'\n"
    "WriteRegStr SHCTX '${qbp_class}\\shell\\open\\command' '' '\"$INSTDIR\\Quiltbox.exe\" \"%1\"'\n"
    "System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'\n")
string(CONCAT CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS
    "DeleteRegKey SHCTX '${qbp_class}'\n"
    "ReadRegStr $0 SHCTX 'Software\\Classes\\.qbp' ''\n"
    "StrCmp $0 'Quiltbox.Project' 0 +2\n"
    "DeleteRegKey SHCTX 'Software\\Classes\\.qbp'\n"
    "System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'\n")
