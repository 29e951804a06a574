#include "archive/ParallelDeflate.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace {

constexpr qsizetype windowBytes = 32 * 1024; // as far back as deflate refers
// Read ahead of the reader, per worker. Counted in bytes, not blocks: a
// row of small files needs many in hand, or the workers wait on every
// hand-over, which on a busy machine costs a scheduling round each.
// Each block counts a little more than its bytes, so that a row of empty
// files does not pile up blocks without end.
constexpr qint64 bytesAheadPerThread = 4 * ParallelDeflate::blockSize;
constexpr qint64 bytesPerBlock = 4096;

} // namespace

ParallelDeflate::ParallelDeflate(std::size_t files, Opener open, int level, int threads)
    : m_files(files)
    , m_open(std::move(open))
    , m_level(level)
    , m_window(bytesAheadPerThread * std::max(threads, 1)) {
    for (int i = 0; i < std::max(threads, 1); ++i)
        m_workers.emplace_back([this] { work(); });
}

ParallelDeflate::~ParallelDeflate() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_room.notify_all();
    for (std::thread& worker : m_workers)
        worker.join();
    if (m_fd >= 0)
        ::close(m_fd);
}

ParallelDeflate::Block ParallelDeflate::next() {
    std::unique_lock lock(m_mutex);
    m_ready.wait(lock, [this] {
        return m_done.count(m_taken) > 0 || (m_file == m_files && m_taken >= m_read);
    });
    const auto found = m_done.find(m_taken);
    if (found == m_done.end())
        return Block{{}, 0, 0, true, EINVAL}; // asked past the row's end
    Block block = std::move(found->second);
    m_done.erase(found);
    ++m_taken;
    m_ahead -= bytesPerBlock + block.size;
    lock.unlock();
    m_room.notify_one();
    return block;
}

void ParallelDeflate::work() {
    z_stream stream{};
    // Buffers kept from block to block: fresh megabytes each time cost page faults.
    QByteArray input, output;
    const bool ready =
        deflateInit2(&stream, m_level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK;
    for (;;) {
        Task task;
        {
            std::unique_lock lock(m_mutex);
            m_room.wait(lock,
                        [this] { return m_stopping || m_file == m_files || m_ahead < m_window; });
            if (m_stopping || m_file == m_files)
                break;
            task = readNext(input);
        }
        Block block =
            ready ? compress(&stream, task, input, output) : Block{{}, 0, 0, true, ENOMEM};
        {
            std::lock_guard lock(m_mutex);
            m_done.emplace(task.sequence, std::move(block));
        }
        m_ready.notify_one();
    }
    if (ready)
        deflateEnd(&stream);
}

// Reading is done under the lock, one block after another, so that each block
// is compressed against the very bytes its predecessor was read as, whatever
// happens to the file meanwhile. It is quick beside compressing.
ParallelDeflate::Task ParallelDeflate::readNext(QByteArray& input) {
    Task task;
    task.sequence = m_read++;
    m_ahead += bytesPerBlock;
    auto endFile = [&](int error) {
        task.last = true;
        task.error = error;
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        m_tail.clear();
        if (++m_file == m_files)
            m_room.notify_all(); // the waiting workers are done too
    };
    if (m_fd < 0) {
        errno = 0;
        m_fd = m_open(m_file);
        struct stat info;
        if (m_fd < 0 || ::fstat(m_fd, &info) != 0) {
            endFile(errno ? errno : EIO);
            return task;
        }
        m_hint = info.st_size;
        m_offset = 0;
    }
    // An unchanged file ends in a block that is not full; one that grew
    // since it was opened goes on in whole blocks until it does.
    const qint64 left = m_hint - m_offset;
    const qint64 capacity = left >= 0 && left < blockSize ? left + 1 : blockSize;
    input.resize(capacity);
    qint64 got = 0;
    while (got < capacity) {
        const ssize_t n = ::read(m_fd, input.data() + got, size_t(capacity - got));
        if (n == 0)
            break;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            input.truncate(0);
            endFile(errno);
            return task;
        }
        got += n;
    }
    input.truncate(got);
    task.dictionary = m_tail;
    m_offset += got;
    m_ahead += got;
    if (got < capacity) {
        endFile(0);
        return task;
    }
    m_tail = got >= windowBytes ? input.right(windowBytes) : (m_tail + input).right(windowBytes);
    return task;
}

ParallelDeflate::Block ParallelDeflate::compress(z_stream_s* stream, const Task& task,
                                                 const QByteArray& input,
                                                 QByteArray& output) const {
    Block block;
    block.last = task.last;
    block.error = task.error;
    if (task.error)
        return block;
    auto* in = reinterpret_cast<Bytef*>(const_cast<char*>(input.constData()));
    block.size = input.size();
    block.crc = quint32(crc32_z(crc32(0, nullptr, 0), in, size_t(block.size)));
    deflateReset(stream);
    if (!task.dictionary.isEmpty())
        deflateSetDictionary(stream, reinterpret_cast<const Bytef*>(task.dictionary.constData()),
                             uInt(task.dictionary.size()));
    // A block that is not its file's last ends on a byte boundary without
    // ending the stream, so that the next block's bytes can follow it.
    const int flush = task.last ? Z_FINISH : Z_SYNC_FLUSH;
    output.resize(qsizetype(deflateBound(stream, uLong(block.size))) + 16);
    stream->next_in = in;
    stream->avail_in = uInt(block.size);
    for (;;) {
        stream->next_out = reinterpret_cast<Bytef*>(output.data()) + stream->total_out;
        stream->avail_out = uInt(output.size() - qsizetype(stream->total_out));
        const int result = deflate(stream, flush);
        if (result == Z_STREAM_END || (flush == Z_SYNC_FLUSH && result == Z_OK &&
                                       stream->avail_in == 0 && stream->avail_out > 0))
            break;
        if (result != Z_OK && result != Z_BUF_ERROR) {
            block.error = EIO;
            return block;
        }
        if (stream->avail_out == 0)
            output.resize(output.size() * 2);
    }
    block.compressed = QByteArray(output.constData(), qsizetype(stream->total_out));
    return block;
}
