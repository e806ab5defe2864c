/* The i2cdev-bridge example's own seam, not part of the driver interface: the kernel calls the
 * bridge makes (open, ioctl, close of the C library), which a test replaces with a fake kernel
 * bus before the station creates a handle. Each answers -errno on failure. */
#ifndef I2CDEV_BRIDGE_KERNEL_H
#define I2CDEV_BRIDGE_KERNEL_H

#include <halyard/driver.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct i2cdev_bridge_kernel {
  void* context; /* handed to each call as it stands */
  int (*open)(void* context, const char* path);
  int (*ioctl)(void* context, int fd, unsigned long request, uintptr_t argument);
  void (*close)(void* context, int fd);
} i2cdev_bridge_kernel;

/* The kernel every handle uses from now on; NULL: the system's. The bridge keeps the pointer. */
typedef void (*i2cdev_bridge_use_kernel_function)(const i2cdev_bridge_kernel* kernel);
HALYARD_DRIVER_EXPORT void i2cdev_bridge_use_kernel(const i2cdev_bridge_kernel* kernel);

#ifdef __cplusplus
}
#endif

#endif /* I2CDEV_BRIDGE_KERNEL_H */
