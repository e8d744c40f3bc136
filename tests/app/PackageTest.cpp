// SPDX-License-Identifier: GPL-3.0-or-later
// The AppStream description and the Debian package, as a distribution would check them.
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct ToolRun {
    int exitCode = -1;
    QString output;
};

ToolRun run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    ToolRun result;
    if (process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit)
        result.exitCode = process.exitCode();
    result.output = QString::fromUtf8(process.readAll());
    return result;
}

bool missing(const QString& tool) {
    return QStandardPaths::findExecutable(tool).isEmpty();
}

} // namespace

TEST(Package, TheMetainfoValidatesWithoutTheNetworkAndWithoutAHint) {
    if (missing(QStringLiteral("appstreamcli")))
        GTEST_SKIP() << "appstreamcli missing";
    const ToolRun validated = run(QStringLiteral("appstreamcli"),
                                  {QStringLiteral("validate"), QStringLiteral("--no-net"),
                                   QStringLiteral("--pedantic"), QStringLiteral(VANTREL_METAINFO)});
    EXPECT_EQ(validated.exitCode, 0) << qPrintable(validated.output);
    EXPECT_FALSE(validated.output.contains(QStringLiteral("P: "))) << qPrintable(validated.output);
}

TEST(Package, TheDebianPackageHoldsTheProgramItsFilesAndWhatItNeeds) {
    if (missing(QStringLiteral("dpkg-deb")) || missing(QStringLiteral("dpkg-shlibdeps")))
        GTEST_SKIP() << "dpkg-dev missing";
    QTemporaryDir output;
    const ToolRun packed =
        run(QStringLiteral(VANTREL_CPACK),
            {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
             QStringLiteral(VANTREL_CPACK_CONFIG), QStringLiteral("-B"), output.path()});
    ASSERT_EQ(packed.exitCode, 0) << qPrintable(packed.output);
    const QString architecture =
        run(QStringLiteral("dpkg"), {QStringLiteral("--print-architecture")}).output.trimmed();
    const QString deb = output.filePath(
        QStringLiteral("vantrel_%1_%2.deb").arg(QStringLiteral(VANTREL_VERSION), architecture));
    ASSERT_TRUE(QFileInfo::exists(deb)) << qPrintable(packed.output);

    QStringList files;
    for (const QString& line : run(QStringLiteral("dpkg-deb"), {QStringLiteral("-c"), deb})
                                   .output.split(u'\n', Qt::SkipEmptyParts)) {
        if (!line.startsWith(u'd'))
            files << line.section(u' ', -1);
    }
    const QString metainfo = QStringLiteral("./usr/share/metainfo/") +
                             QFileInfo(QStringLiteral(VANTREL_METAINFO)).fileName();
    for (const QString& expected :
         {QStringLiteral("./usr/bin/vantrel"),
          QStringLiteral("./usr/share/applications/vantrel.desktop"), metainfo,
          QStringLiteral("./usr/share/icons/hicolor/scalable/apps/vantrel.svg"),
          QStringLiteral("./usr/share/icons/hicolor/16x16/apps/vantrel.png"),
          QStringLiteral("./usr/share/icons/hicolor/256x256/apps/vantrel.png"),
          QStringLiteral("./usr/share/man/man1/vantrel.1.gz")})
        EXPECT_TRUE(files.contains(expected)) << qPrintable(expected);
    // Nothing of the build beyond the program and its data: no test, library or header.
    for (const QString& file : std::as_const(files))
        EXPECT_TRUE(file == u"./usr/bin/vantrel" || file.startsWith(u"./usr/share/"))
            << qPrintable(file);

    // The shared libraries name their packages; the plugins Qt loads are named by hand.
    const QString depends =
        run(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), deb, QStringLiteral("Depends")})
            .output;
    for (const char* package : {"libqt6widgets6", "libqt6svg6", "libheif1", "liblz4-1", "libicu72",
                                "qt6-image-formats-plugins"})
        EXPECT_TRUE(depends.contains(QLatin1String(package)))
            << package << ": " << qPrintable(depends);
}
