#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

struct z_stream_s;

// Deflates a row of files on several threads while one reader takes their
// compressed bytes in the row's order, as a zip archive is written. Each file
// is read front to back in blocks, and a block is compressed with the end of
// the one before as its dictionary: a large file keeps every core busy and
// still compresses as it would in one piece, and the blocks of a file joined
// make one raw deflate stream. The same files give the same bytes whatever
// the number of threads.
class ParallelDeflate {
public:
    // Opens file `index` of the row for reading: a descriptor, or -1 with
    // errno set. Called on the worker threads, one call at a time.
    using Opener = std::function<int(std::size_t index)>;

    struct Block {
        QByteArray compressed;
        quint32 crc = 0;   // of the bytes read
        qint64 size = 0;   // bytes read
        bool last = false; // of its file
        int error = 0;     // errno when the file could not be opened or read
    };

    // Starts `threads` workers at once.
    ParallelDeflate(std::size_t files, Opener open, int level, int threads);
    ~ParallelDeflate(); // stops the workers, waiting for the blocks in hand
    ParallelDeflate(const ParallelDeflate&) = delete;
    ParallelDeflate& operator=(const ParallelDeflate&) = delete;

    // The next block of the row, once compressed. Each file ends with a block
    // marked last, also one that failed.
    Block next();

    // Files are read in blocks of this many bytes, a few per worker ahead of
    // the reader at most.
    static constexpr qint64 blockSize = 1 << 20;

private:
    struct Task { // its bytes are in the worker's input buffer
        QByteArray dictionary;
        std::size_t sequence = 0;
        bool last = false;
        int error = 0;
    };

    void work();
    Task readNext(QByteArray& input);
    Block compress(z_stream_s* stream, const Task& task, const QByteArray& input,
                   QByteArray& output) const;

    const std::size_t m_files;
    const Opener m_open;
    const int m_level;
    const qint64 m_window; // bytes read ahead of the reader, at most

    std::mutex m_mutex;
    std::condition_variable m_room;  // a worker may read another block
    std::condition_variable m_ready; // the reader's block is done
    std::size_t m_file = 0;          // being read
    int m_fd = -1;
    qint64 m_hint = 0;       // its size when opened
    qint64 m_offset = 0;     // its bytes read so far
    QByteArray m_tail;       // its last bytes read: the next block's dictionary
    std::size_t m_read = 0;  // blocks handed to workers
    std::size_t m_taken = 0; // blocks taken by the reader
    qint64 m_ahead = 0;      // read and not yet taken, in bytes
    std::map<std::size_t, Block> m_done;
    bool m_stopping = false;
    std::vector<std::thread> m_workers;
};
