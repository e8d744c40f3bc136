// SPDX-License-Identifier: GPL-3.0-or-later
// The AppStream description and the Debian package, as a distribution would check them.
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// The exit code, -1 on a crash or a hang, and the merged output.
std::pair<int, QString> run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool ended =
        process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit;
    return {ended ? process.exitCode() : -1, QString::fromUtf8(process.readAll())};
}

bool missing(const QString& tool) {
    return QStandardPaths::findExecutable(tool).isEmpty();
}

} // namespace

TEST(Package, TheMetainfoValidatesWithoutTheNetworkAndWithoutAHint) {
    if (missing(u"appstreamcli"_s))
        GTEST_SKIP() << "appstreamcli missing";
    const auto [status, output] =
        run(u"appstreamcli"_s,
            {u"validate"_s, u"--no-net"_s, u"--pedantic"_s, QStringLiteral(VANTREL_METAINFO)});
    EXPECT_EQ(status, 0) << qPrintable(output);
    EXPECT_FALSE(output.contains(u"P: "_s)) << qPrintable(output);
}

TEST(Package, TheDebianPackageHoldsTheProgramItsFilesAndWhatItNeeds) {
    if (missing(u"dpkg-deb"_s) || missing(u"dpkg-shlibdeps"_s))
        GTEST_SKIP() << "dpkg-dev missing";
    QTemporaryDir output;
    const auto [status, log] = run(QStringLiteral(VANTREL_CPACK),
                                   {u"-G"_s, u"DEB"_s, u"--config"_s,
                                    QStringLiteral(VANTREL_CPACK_CONFIG), u"-B"_s, output.path()});
    ASSERT_EQ(status, 0) << qPrintable(log);
    const QString architecture = run(u"dpkg"_s, {u"--print-architecture"_s}).second.trimmed();
    const QString deb =
        output.filePath(u"vantrel_%1_%2.deb"_s.arg(QStringLiteral(VANTREL_VERSION), architecture));
    ASSERT_TRUE(QFileInfo::exists(deb)) << qPrintable(log);

    QStringList files;
    for (const QString& line :
         run(u"dpkg-deb"_s, {u"-c"_s, deb}).second.split(u'\n', Qt::SkipEmptyParts)) {
        if (!line.startsWith(u'd'))
            files << line.section(u' ', -1);
    }
    for (const QString& expected :
         {u"./usr/bin/vantrel"_s, u"./usr/share/applications/vantrel.desktop"_s,
          u"./usr/share/metainfo/"_s + QFileInfo(QStringLiteral(VANTREL_METAINFO)).fileName(),
          u"./usr/share/icons/hicolor/scalable/apps/vantrel.svg"_s,
          u"./usr/share/icons/hicolor/16x16/apps/vantrel.png"_s,
          u"./usr/share/icons/hicolor/256x256/apps/vantrel.png"_s,
          u"./usr/share/man/man1/vantrel.1.gz"_s})
        EXPECT_TRUE(files.contains(expected)) << qPrintable(expected);
    // Nothing of the build beyond the program and its data: no test, library or header.
    for (const QString& file : std::as_const(files))
        EXPECT_TRUE(file == u"./usr/bin/vantrel" || file.startsWith(u"./usr/share/"))
            << qPrintable(file);

    // The shared libraries name their packages; the plugins Qt loads are named by hand.
    const QString depends = run(u"dpkg-deb"_s, {u"-f"_s, deb, u"Depends"_s}).second;
    for (const char* package : {"libqt6widgets6", "libqt6svg6", "libheif1", "liblz4-1", "libicu72",
                                "qt6-image-formats-plugins"})
        EXPECT_TRUE(depends.contains(QLatin1String(package)))
            << package << ": " << qPrintable(depends);
}
