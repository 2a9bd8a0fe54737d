#pragma once
// The calls a USB-TMC session makes on its device file. In production they go to the kernel's
// usbtmc driver: read(2), write(2) and ioctl(2) on /dev/usbtmc<N>. The tests put a stand-in
// for the driver in their place, over a FIFO, to play its time-outs, its end-of-message
// attributes and its aborts.

#include <sys/types.h>

#include <cstddef>
#include <memory>

namespace vx::visa {

class UsbTmcDriverCalls {
 public:
  virtual ~UsbTmcDriverCalls() = default;
  // As read(2) and write(2): a count, or -1 with errno set.
  virtual ssize_t Read(int fd, void* buffer, size_t count);
  virtual ssize_t Write(int fd, const void* data, size_t count);
  // As ioctl(2): 0, or -1 with errno set.
  virtual int Control(int fd, unsigned long request, void* argument);
};

// The kernel's calls.
std::shared_ptr<UsbTmcDriverCalls> KernelUsbTmcDriver();

}  // namespace vx::visa
