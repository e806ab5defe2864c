/* A Halyard adapter driver in plain C, written from docs/driver-interface.md and
 * <halyard/driver.h> alone: a bridge that carries the station's SMBus and I2C operations to a
 * Linux i2c-dev adapter (/dev/i2c-N) as the kernel's own transfers. SWB, programming and the
 * adapter's version belong to the Halyard; their entries are NULL.
 *
 *   cc -std=c11 -shared -fPIC -fvisibility=hidden -I include \
 *      examples/i2cdev-bridge/driver.c -o libi2cdev-bridge.so
 *   halyardctl --adapter driver:./libi2cdev-bridge.so,/dev/i2c-1,map=0x17:0x0C configure
 *
 * Its argument: the device, then options separated by commas: map=STATION:BUS gives a station
 * address (0x00..0xFF) its 7-bit bus address (0x03..0x77); force takes an address a kernel
 * driver owns. An even station address without map= is its half (0x16 is 0x0B); an odd one,
 * 0x17 the trim firmware's among them, has none until mapped.
 *
 * Its statuses are the adapter's where one says what happened (10 not open, 11 nothing
 * acknowledged, 13 an I2C access outside a run, 15 an I2C function other than 0, 1, 2), else its
 * own, numbered from HALYARD_STATUS_DRIVER_FIRST (below). */
#define _POSIX_C_SOURCE 200809L
#include <errno.h>
#include <fcntl.h>
#include <halyard/driver.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "bridge-kernel.h"

/* The bridge's own statuses, for its users: */
enum {
  BAD_ARGUMENT = 1011,   /* a register, command or block count the bus cannot carry */
  NO_BUS_ADDRESS = 1012, /* an odd station address without map= */
  ADAPTER_CANNOT = 1013, /* the adapter lacks the transfer (I2C_FUNCS, or EOPNOTSUPP) */
  ADDRESS_BUSY = 1014,   /* a kernel driver owns the address (EBUSY; use force) */
  TIMEOUT = 1016,        /* ETIMEDOUT */
  BUS_ERROR = 1017,      /* EIO, EAGAIN (lost arbitration) */
  PEC_ERROR = 1018,      /* EBADMSG */
  PROTOCOL_ERROR = 1019, /* EPROTO, e.g. a block count beyond 32 */
  KERNEL_ERROR = 1020,   /* any other error of the kernel */
};

#define DEVICE_MAX 255
#define LONGEST_BLOCK 255

/* The kernel: the C library's, or a test's fake kernel bus (bridge-kernel.h). */
static int system_open(void* context, const char* path) {
  const int fd = open(path, O_RDWR | O_CLOEXEC);
  (void)context;
  return fd < 0 ? -errno : fd;
}

static int system_ioctl(void* context, int fd, unsigned long request, uintptr_t argument) {
  (void)context;
  return ioctl(fd, request, argument) < 0 ? -errno : 0;
}

static void system_close(void* context, int fd) {
  (void)context;
  close(fd);
}

static const i2cdev_bridge_kernel system_kernel = {NULL, system_open, system_ioctl, system_close};
static const i2cdev_bridge_kernel* kernel = &system_kernel;

void i2cdev_bridge_use_kernel(const i2cdev_bridge_kernel* fake) {
  kernel = fake != NULL ? fake : &system_kernel;
}

struct halyard_driver_handle {
  char device[DEVICE_MAX + 1];
  int bus_address[256]; /* by station address; -1: none */
  int force;
  int fd; /* -1 while closed */
  unsigned long functions;
  int selected; /* the address I2C_SLAVE last chose on fd */
  int run_open; /* i2c_access function 0 opened a run */
  int16_t write_status;
};

/* Kernel errors as statuses: the adapter's where one says it, else the bridge's own. */
static const struct {
  int error;
  int16_t status;
} kernel_errors[] = {
    /* clang-format off */
    {ENXIO, HALYARD_STATUS_NO_DEVICE}, {EREMOTEIO, HALYARD_STATUS_NO_DEVICE}, {ETIMEDOUT, TIMEOUT},
    {EIO, BUS_ERROR}, {EAGAIN, BUS_ERROR}, {EBADMSG, PEC_ERROR}, {EOPNOTSUPP, ADAPTER_CANNOT},
    {EPROTO, PROTOCOL_ERROR}, {EBUSY, ADDRESS_BUSY},
    /* clang-format on */
};

static int16_t status_of_error(int error) {
  size_t i;
  for (i = 0; i < sizeof kernel_errors / sizeof kernel_errors[0]; ++i) {
    if (kernel_errors[i].error == error) return kernel_errors[i].status;
  }
  return KERNEL_ERROR;
}

static void put_reason(const char* text, char* reason, int32_t capacity, int32_t* length) {
  int32_t n = (int32_t)strlen(text);
  if (n > capacity) n = capacity;
  memcpy(reason, text, (size_t)n);
  *length = n;
}

/* "0x17" or "23", whole. */
static int read_number(const char* text, size_t length, long* value) {
  char copy[16];
  char* end;
  if (length == 0 || length >= sizeof copy) return 0;
  memcpy(copy, text, length);
  copy[length] = '\0';
  *value = strtol(copy, &end, 0);
  return *end == '\0';
}

/* One option of the argument: "force" or "map=STATION:BUS". */
static int read_option(halyard_driver_handle* h, const char* option, size_t length) {
  const char* colon;
  long station;
  long bus;
  if (length == 5 && memcmp(option, "force", 5) == 0) {
    h->force = 1;
    return 1;
  }
  if (length < 4 || memcmp(option, "map=", 4) != 0) return 0;
  colon = memchr(option + 4, ':', length - 4);
  if (colon == NULL || !read_number(option + 4, (size_t)(colon - option - 4), &station) ||
      !read_number(colon + 1, (size_t)(option + length - colon - 1), &bus))
    return 0;
  if (station < 0 || station > 0xFF || bus < 0x03 || bus > 0x77) return 0;
  h->bus_address[station] = (int)bus;
  return 1;
}

static int read_argument(halyard_driver_handle* h, const char* argument, int32_t length) {
  const char* end = argument + length;
  const char* comma = memchr(argument, ',', (size_t)length);
  const char* device_end = comma != NULL ? comma : end;
  int station;
  if (device_end == argument || device_end - argument > DEVICE_MAX) return 0;
  memcpy(h->device, argument, (size_t)(device_end - argument));
  for (station = 0; station < 256; ++station) /* even addresses: their half */
    h->bus_address[station] =
        station % 2 == 0 && station / 2 >= 0x03 && station / 2 <= 0x77 ? station / 2 : -1;
  while (comma != NULL) {
    const char* option = comma + 1;
    comma = memchr(option, ',', (size_t)(end - option));
    if (!read_option(h, option, (size_t)((comma != NULL ? comma : end) - option))) return 0;
  }
  return 1;
}

static halyard_driver_handle* create(const char* argument, int32_t argument_length, char* reason,
                                     int32_t reason_capacity, int32_t* reason_length) {
  halyard_driver_handle* h = calloc(1, sizeof *h);
  if (h == NULL) {
    put_reason("out of memory", reason, reason_capacity, reason_length);
    return NULL;
  }
  if (!read_argument(h, argument, argument_length)) {
    put_reason("the argument is DEVICE[,map=STATION:BUS]...[,force], e.g. /dev/i2c-1,map=0x17:0x0C",
               reason, reason_capacity, reason_length);
    free(h);
    return NULL;
  }
  h->fd = -1;
  return h;
}

static void close_device(halyard_driver_handle* h) {
  if (h->fd >= 0) kernel->close(kernel->context, h->fd);
  h->fd = -1;
  h->run_open = 0;
}

static void destroy(halyard_driver_handle* h) {
  close_device(h);
  free(h);
}

/* The station opens the first adapter listed: the configured device. */
static void list_devices(halyard_driver_handle* h, int32_t kind, int32_t* count, char* names,
                         int32_t names_capacity, int32_t* names_length) {
  const int32_t length = (int32_t)strlen(h->device);
  *count = 0;
  *names_length = 0;
  if (kind != 2 || length > names_capacity) return;
  memcpy(names, h->device, (size_t)length);
  *names_length = length;
  *count = 1;
}

static int16_t open_device(halyard_driver_handle* h, const char* name, int32_t name_length) {
  char path[DEVICE_MAX + 1];
  int fd;
  if (name_length <= 0 || name_length > DEVICE_MAX) return HALYARD_STATUS_NOT_OPENED;
  memcpy(path, name, (size_t)name_length);
  path[name_length] = '\0';
  close_device(h);
  fd = kernel->open(kernel->context, path);
  if (fd < 0) return HALYARD_STATUS_NOT_OPENED;
  if (kernel->ioctl(kernel->context, fd, I2C_FUNCS, (uintptr_t)&h->functions) < 0) {
    kernel->close(kernel->context, fd);
    return HALYARD_STATUS_NOT_OPENED;
  }
  h->fd = fd;
  h->selected = -1;
  return HALYARD_STATUS_OK;
}

/* Before any transfer: an adapter open that offers `functions`, a command that is a byte and
 * the device's bus address. */
static int16_t prepare(const halyard_driver_handle* h, int16_t device, int command,
                       unsigned long functions, int* address) {
  if (h->fd < 0) return HALYARD_STATUS_ADAPTER_CLOSED;
  if ((h->functions & functions) != functions) return ADAPTER_CANNOT;
  if (command < 0 || command > 0xFF || device < 0 || device > 0xFF) return BAD_ARGUMENT;
  *address = h->bus_address[device];
  return *address < 0 ? NO_BUS_ADDRESS : HALYARD_STATUS_OK;
}

/* prepare, then point the file at the address for the SMBus calls that follow. */
static int16_t select_device(halyard_driver_handle* h, int16_t device, int command,
                             unsigned long functions, int* address) {
  int result;
  const int16_t status = prepare(h, device, command, functions, address);
  if (status != HALYARD_STATUS_OK || *address == h->selected) return status;
  result = kernel->ioctl(kernel->context, h->fd, h->force ? I2C_SLAVE_FORCE : I2C_SLAVE,
                         (uintptr_t)*address);
  if (result < 0) return status_of_error(-result);
  h->selected = *address;
  return HALYARD_STATUS_OK;
}

static int16_t smbus(halyard_driver_handle* h, char read_write, int command, int size,
                     union i2c_smbus_data* data) {
  struct i2c_smbus_ioctl_data call;
  int result;
  call.read_write = read_write;
  call.command = (uint8_t)command;
  call.size = (uint32_t)size;
  call.data = data;
  result = kernel->ioctl(kernel->context, h->fd, I2C_SMBUS, (uintptr_t)&call);
  return result < 0 ? status_of_error(-result) : HALYARD_STATUS_OK;
}

static int16_t written(halyard_driver_handle* h, int16_t status) {
  h->write_status = status;
  return status;
}

static int16_t write_smbus_word(halyard_driver_handle* h, int16_t command, int16_t word,
                                int16_t device) {
  union i2c_smbus_data data;
  int address;
  int16_t status = select_device(h, device, command, I2C_FUNC_SMBUS_WRITE_WORD_DATA, &address);
  if (status != HALYARD_STATUS_OK) return written(h, status);
  data.word = (uint16_t)word; /* the kernel sends the low byte first */
  return written(h, smbus(h, I2C_SMBUS_WRITE, command, I2C_SMBUS_WORD_DATA, &data));
}

static int16_t read_smbus_word(halyard_driver_handle* h, int16_t command, int16_t* word,
                               int16_t device) {
  union i2c_smbus_data data;
  int address;
  int16_t status = select_device(h, device, command, I2C_FUNC_SMBUS_READ_WORD_DATA, &address);
  if (status == HALYARD_STATUS_OK)
    status = smbus(h, I2C_SMBUS_READ, command, I2C_SMBUS_WORD_DATA, &data);
  if (status == HALYARD_STATUS_OK) *word = (int16_t)data.word; /* else left as it came */
  return status;
}

/* More than the kernel's SMBus calls carry (32): one plain I2C message in the block-write
 * format, command, count, bytes. */
static int16_t write_long_block(halyard_driver_handle* h, int16_t command, const uint8_t* data,
                                int16_t count, int16_t device) {
  uint8_t bytes[LONGEST_BLOCK + 2];
  struct i2c_msg message;
  struct i2c_rdwr_ioctl_data transfer;
  int address;
  int result;
  /* The message names its address itself: no I2C_SLAVE. */
  int16_t status = prepare(h, device, command, I2C_FUNC_I2C, &address);
  if (status != HALYARD_STATUS_OK) return status;
  bytes[0] = (uint8_t)command;
  bytes[1] = (uint8_t)count;
  memcpy(bytes + 2, data, (size_t)count);
  message.addr = (uint16_t)address;
  message.flags = 0;
  message.len = (uint16_t)(count + 2);
  message.buf = bytes;
  transfer.msgs = &message;
  transfer.nmsgs = 1;
  result = kernel->ioctl(kernel->context, h->fd, I2C_RDWR, (uintptr_t)&transfer);
  return result < 0 ? status_of_error(-result) : HALYARD_STATUS_OK;
}

static int16_t write_smbus_block(halyard_driver_handle* h, int16_t command, const uint8_t* data,
                                 int32_t data_length, int16_t count, int16_t device) {
  union i2c_smbus_data block;
  int address;
  int16_t status;
  if (h->fd < 0) return written(h, HALYARD_STATUS_ADAPTER_CLOSED);
  if (count < 0 || count > LONGEST_BLOCK || count > data_length)
    return written(h, BAD_ARGUMENT); /* nothing on the bus */
  if (count > I2C_SMBUS_BLOCK_MAX)
    return written(h, write_long_block(h, command, data, count, device));
  status = select_device(h, device, command, I2C_FUNC_SMBUS_WRITE_BLOCK_DATA, &address);
  if (status != HALYARD_STATUS_OK) return written(h, status);
  block.block[0] = (uint8_t)count;
  memcpy(block.block + 1, data, (size_t)count);
  return written(h, smbus(h, I2C_SMBUS_WRITE, command, I2C_SMBUS_BLOCK_DATA, &block));
}

static int16_t read_smbus_block(halyard_driver_handle* h, int16_t command, uint8_t* data,
                                int32_t data_capacity, int32_t* data_length, int16_t* count,
                                int16_t device) {
  union i2c_smbus_data block;
  int address;
  int16_t status = select_device(h, device, command, I2C_FUNC_SMBUS_READ_BLOCK_DATA, &address);
  if (status == HALYARD_STATUS_OK)
    status = smbus(h, I2C_SMBUS_READ, command, I2C_SMBUS_BLOCK_DATA, &block);
  if (status != HALYARD_STATUS_OK) return status;
  /* The count byte comes first; a device claiming more than SMBus carries broke the protocol. */
  if (block.block[0] > I2C_SMBUS_BLOCK_MAX || block.block[0] > data_capacity) return PROTOCOL_ERROR;
  memcpy(data, block.block + 1, block.block[0]);
  if (*data_length < block.block[0]) *data_length = block.block[0]; /* grows, never shrinks */
  *count = block.block[0];
  return HALYARD_STATUS_OK;
}

static int16_t send_smbus_command(halyard_driver_handle* h, int16_t command, int16_t device) {
  int address;
  int16_t status = select_device(h, device, command, I2C_FUNC_SMBUS_WRITE_BYTE, &address);
  if (status != HALYARD_STATUS_OK) return written(h, status);
  return written(h, smbus(h, I2C_SMBUS_WRITE, command, I2C_SMBUS_BYTE, NULL));
}

static int16_t get_write_status(halyard_driver_handle* h) {
  return h->fd < 0 ? HALYARD_STATUS_ADAPTER_CLOSED : h->write_status;
}

/* Function 0 opens (device 1) and closes (device 0) a run: bookkeeping, nothing on the bus.
 * 1 writes the low byte of *value to register `reg`, 2 reads it: SMBus byte data. */
static int16_t i2c_access(halyard_driver_handle* h, int32_t function, int16_t device, int16_t reg,
                          int16_t* value) {
  union i2c_smbus_data data;
  int address;
  const int write = function == 1;
  int16_t status;
  if (h->fd < 0)
    return write ? written(h, HALYARD_STATUS_ADAPTER_CLOSED) : HALYARD_STATUS_ADAPTER_CLOSED;
  if (function == 0) {
    if (device != 0 && device != 1) return HALYARD_STATUS_BAD_FUNCTION;
    h->run_open = device == 1;
    return HALYARD_STATUS_OK;
  }
  if (function != 1 && function != 2) return HALYARD_STATUS_BAD_FUNCTION;
  if (!h->run_open)
    return write ? written(h, HALYARD_STATUS_I2C_NO_RUN) : HALYARD_STATUS_I2C_NO_RUN;
  status = select_device(h, device, reg,
                         write ? I2C_FUNC_SMBUS_WRITE_BYTE_DATA : I2C_FUNC_SMBUS_READ_BYTE_DATA,
                         &address);
  if (status == HALYARD_STATUS_OK) {
    data.byte = (uint8_t)(*value & 0xFF);
    status = smbus(h, write ? I2C_SMBUS_WRITE : I2C_SMBUS_READ, reg, I2C_SMBUS_BYTE_DATA, &data);
  }
  if (status == HALYARD_STATUS_OK && !write) *value = data.byte;
  return write ? written(h, status) : status;
}

static const halyard_driver_table table = {
    .struct_size = sizeof(halyard_driver_table),
    .version_major = HALYARD_DRIVER_VERSION_MAJOR,
    .version_minor = HALYARD_DRIVER_VERSION_MINOR,
    .name = "i2cdev-bridge 1.0",
    .create = create,
    .destroy = destroy,
    .open_device = open_device,
    .close_device = close_device,
    .list_devices = list_devices,
    .write_smbus_word = write_smbus_word,
    .read_smbus_word = read_smbus_word,
    .write_smbus_block = write_smbus_block,
    .read_smbus_block = read_smbus_block,
    .send_smbus_command = send_smbus_command,
    .get_write_status = get_write_status,
    .i2c_access = i2c_access,
    .read_swb_word = NULL,
    .program_srec = NULL,
    .get_adapter_version = NULL,
};

HALYARD_DRIVER_EXPORT const halyard_driver_table* halyard_driver_entry(void) {
  return &table;
}
