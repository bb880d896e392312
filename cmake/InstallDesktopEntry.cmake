# Run by `cmake --install`: writes quelvane.desktop beside the installed
# program, its command line and icon pointing into the chosen prefix.
# QUELVANE_DESKTOP_IN names the template.
get_filename_component(dir "${CMAKE_INSTALL_PREFIX}" ABSOLUTE)

# The command is quoted as desktop entries want: inside the quotes '"', '`',
# '$' and '\' take a backslash; then, the file's own escaping doubles every
# backslash. A '%' is a field code unless doubled.
set(exec "${dir}/quelvane")
string(REPLACE "\\" "\\\\" exec "${exec}")
string(REPLACE "\"" "\\\"" exec "${exec}")
string(REPLACE "`" "\\`" exec "${exec}")
string(REPLACE "$" "\\$" exec "${exec}")
string(REPLACE "\\" "\\\\" exec "${exec}")
string(REPLACE "%" "%%" exec "${exec}")
set(exec "\"${exec}\"")

# Plain string values escape only the backslash.
string(REPLACE "\\" "\\\\" plain "${dir}")

file(READ "${QUELVANE_DESKTOP_IN}" entry)
string(REPLACE "@QUELVANE_EXEC@" "${exec}" entry "${entry}")
string(REPLACE "@QUELVANE_DIR@" "${plain}" entry "${entry}")
# Written in the build tree, then installed like any other file: DESTDIR,
# the "Installing:" line and the install manifest come with it.
set(written "${CMAKE_CURRENT_BINARY_DIR}/desktop-entry/quelvane.desktop")
file(WRITE "${written}" "${entry}")
file(INSTALL DESTINATION "${dir}" TYPE FILE FILES "${written}")
