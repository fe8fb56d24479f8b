# Install layout. The install prefix is the installation root ("/" by
# default; a scratch folder for staged installs): the system's fixed paths
# (Library/...) sit directly under it, the Debian-style parts under usr/.
# `cmake --install build --prefix ROOT` lays out the tree that VN420P_ROOT=ROOT
# then runs from; the package is the same tree with ROOT = /.
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
  set(CMAKE_INSTALL_PREFIX "/" CACHE PATH "installation root" FORCE)
endif()

set(VN_INSTALL_BINDIR usr/bin)
# Administrator commands (vn420p-cups-setup).
set(VN_INSTALL_SBINDIR usr/sbin)
# pdehost finds the bundles at ../lib/vn420p/plugins beside itself.
set(VN_INSTALL_PLUGINDIR usr/lib/vn420p/plugins)
# pdedialog's preview module: ../lib/vn420p/pdfpreview.so beside it.
set(VN_INSTALL_LIBDIR usr/lib/vn420p)
# The desktop entry that offers pdedialog for documents in file managers.
set(VN_INSTALL_APPLICATIONSDIR usr/share/applications)
# The launch path of bridgetool; prefservice lives beside it.
set(VN_INSTALL_HELPERDIR "Library/Application Support/HALVERN/VN420P/Helpers/bridgetool.app/Contents/MacOS")
# The management window's icons, at their fixed path.
set(VN_INSTALL_ICONDIR "Library/Printers/HALVERN/VN420P/Icons")
# Where CUPS' driver list (cups-driverd) finds PPDs of installed drivers.
set(VN_INSTALL_PPDDIR usr/share/ppd/halvern)
# pdehost's default PPD: ../share/vn420p/VN420P.ppd beside itself.
set(VN_INSTALL_DATADIR usr/share/vn420p)
set(VN_INSTALL_MANDIR usr/share/man)
set(VN_INSTALL_DOCDIR usr/share/doc/vn420p)
set(VN_INSTALL_SYSTEMDUSERDIR usr/lib/systemd/user)
