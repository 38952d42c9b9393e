// The clipboard round trips: UTF-8 text, lists of files with non-ASCII names as the file managers
// copy them, whether it holds files, and its change signal.
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QObject>
#include <QUrl>
#include <gtest/gtest.h>

#include "tests/vcl/QtPrinters.h"

#include "platform/vcl/Clipboard.h"

using namespace vcl;

TEST(Clipboard, TextGoesAndComesInUtf8)
{
    const std::string text = "准备就绪 \xC3\xA9t\xC3\xA9 2006/12/31 23:59:58";
    SetClipboardText(text);
    EXPECT_EQ(ClipboardText(), text);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8(text.c_str()));
    EXPECT_FALSE(ClipboardHasFiles());
}

TEST(Clipboard, FileListsRoundTripAsTheFileManagersCopyThem)
{
    const std::vector<std::string> files = {"/tmp/vacances été/片段 1.avi", "/home/u/a#b%20c.avi", "/x/plain.avi"};
    SetClipboardFiles(files);
    EXPECT_TRUE(ClipboardHasFiles());
    EXPECT_EQ(ClipboardFiles(), files);

    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->urls().size(), 3);
    EXPECT_EQ(data->data("x-special/gnome-copied-files"),
              "copy\nfile:///tmp/vacances%20%C3%A9t%C3%A9/%E7%89%87%E6%AE%B5%201.avi\n"
              "file:///home/u/a%23b%2520c.avi\nfile:///x/plain.avi");
    EXPECT_EQ(data->text(), QString::fromStdString(files[0] + "\n" + files[1] + "\n" + files[2] + "\n"));
}

TEST(Clipboard, AGnomeListAloneIsReadAndOtherUrlsAreSkipped)
{
    auto* gnome = new QMimeData;
    gnome->setData("x-special/gnome-copied-files", "cut\nfile:///tmp/%E7%89%87.avi\nhttp://example.org/x.avi\n");
    QGuiApplication::clipboard()->setMimeData(gnome);
    EXPECT_EQ(ClipboardFiles(), std::vector<std::string>{"/tmp/片.avi"});

    auto* web = new QMimeData;
    web->setUrls({QUrl("https://example.org/a.avi")});
    QGuiApplication::clipboard()->setMimeData(web);
    EXPECT_FALSE(ClipboardHasFiles());
}

TEST(Clipboard, TheChangeSignalTellsWhetherFilesAreThere)
{
    std::vector<bool> seen;
    {
        QObject context;
        OnClipboardFilesChanged(&context, [&](bool files) { seen.push_back(files); });
        SetClipboardFiles({"/tmp/a.avi"});
        SetClipboardText("text");
    }
    SetClipboardFiles({"/tmp/b.avi"}); // the context is gone: no call
    EXPECT_EQ(seen, (std::vector<bool>{true, false}));
}
