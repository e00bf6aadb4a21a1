#include "core/library/exportfile.h"

#include <exception>
#include <streambuf>

#include "core/text/linewriter.h"

namespace pelarin {

namespace {

// Hands the stream's bytes to the writer in large pieces and keeps the
// writer's exception, which the stream would otherwise swallow.
class WriterBuffer : public std::streambuf {
 public:
  explicit WriterBuffer(ReplacingWriter& writer) : writer_(writer) {
    setp(buffer_, buffer_ + sizeof buffer_);
  }

  void flushAll() {
    if (!drain()) std::rethrow_exception(failure_);
  }
  std::exception_ptr failure() const { return failure_; }

 protected:
  int_type overflow(int_type c) override {
    if (!drain()) return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(c);
      pbump(1);
    }
    return traits_type::not_eof(c);
  }
  int sync() override { return drain() ? 0 : -1; }

 private:
  bool drain() {
    if (failure_) return false;
    try {
      writer_.write(ByteView(pbase(), static_cast<size_t>(pptr() - pbase())));
    } catch (...) {
      failure_ = std::current_exception();
      return false;
    }
    setp(buffer_, buffer_ + sizeof buffer_);
    return true;
  }

  ReplacingWriter& writer_;
  char buffer_[1 << 16];
  std::exception_ptr failure_;
};

}  // namespace

void writeExportFile(const std::filesystem::path& target, const std::function<void(std::ostream&)>& write) {
  ReplacingWriter writer(target);
  WriterBuffer buffer(writer);
  std::ostream stream(&buffer);
  write(stream);
  if (buffer.failure()) std::rethrow_exception(buffer.failure());
  buffer.flushAll();
  writer.commit();
}

}  // namespace pelarin
