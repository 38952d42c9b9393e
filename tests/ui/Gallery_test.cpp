// What the gallery saved from the screen: every shot it lists is there, is a picture of a window
// (not a blank or black rectangle), and nothing else lies in the folder.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QSet>
#include <QTextStream>
#include <gtest/gtest.h>

namespace {

QStringList Listed()
{
    QFile list(QStringLiteral(MORVEL_GALLERY_SHOTS "/shots.txt"));
    QStringList names;
    if (!list.open(QIODevice::ReadOnly | QIODevice::Text))
        return names;
    QTextStream in(&list);
    while (!in.atEnd())
        if (const QString line = in.readLine().trimmed(); !line.isEmpty())
            names.append(line);
    return names;
}

} // namespace

TEST(Gallery, EveryShotIsAWindowAndNotABlank)
{
    const QStringList listed = Listed();
    ASSERT_GE(listed.size(), 5) << "the sample window's states at least";
    for (const QString& name : listed) {
        SCOPED_TRACE(name.toStdString());
        const QImage image(QStringLiteral(MORVEL_GALLERY_SHOTS "/") + name);
        ASSERT_FALSE(image.isNull());
        EXPECT_GE(image.width(), 100);
        EXPECT_GE(image.height(), 40);
        // A window has a background, frames and antialiased text: many colours, none of them
        // covering nearly all of it.
        QHash<QRgb, int> colours;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2)
                ++colours[image.pixel(x, y)];
        const int samples = ((image.height() + 1) / 2) * ((image.width() + 1) / 2);
        int most = 0;
        for (int n : colours)
            most = std::max(most, n);
        EXPECT_GE(colours.size(), 16);
        EXPECT_LT(most, samples * 97 / 100);
    }
    const QStringList saved =
        QDir(QStringLiteral(MORVEL_GALLERY_SHOTS)).entryList({QStringLiteral("*.png")}, QDir::Files);
    EXPECT_EQ(QSet<QString>(saved.begin(), saved.end()), QSet<QString>(listed.begin(), listed.end()));
}
