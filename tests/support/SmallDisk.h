// A small file system of its own (tmpfs) for tests of a full disk: mounted in a temporary folder,
// unmounted again at the end. Mounting needs root, as the test script runs; elsewhere the tests
// that need it are skipped.
#pragma once

#include <QFile>
#include <QTemporaryDir>

#include <sys/mount.h>

class SmallDisk
{
public:
    explicit SmallDisk(int kilobytes)
    {
        const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k";
        m_mounted = m_dir.isValid() && ::mount("tmpfs", m_dir.path().toLocal8Bit().constData(), "tmpfs", 0,
                                               options.constData()) == 0;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(m_dir.path().toLocal8Bit().constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool isMounted() const { return m_mounted; }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }

    /// Fills the disk with a file of its own until fewer than `bytesLeft` bytes are free.
    void fill(qint64 bytesLeft)
    {
        QFile filler(filePath(QStringLiteral("filler")));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Append))
            return;
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
        filler.close();
        filler.resize(std::max<qint64>(0, filler.size() - bytesLeft));
    }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};
