/* A Halyard adapter driver in plain C, written against <halyard/driver.h> alone: a loopback
 * adapter with a minimal controller (SMBus 0x16: memory and silicon version) and a test target
 * (I2C 0xA0: 256 bytes of memory that also answer the SMBus identification block and the SWB
 * words) held in memory. The station can start on it, configure the target and pass "Run All".
 *
 *   cc -std=c11 -shared -fPIC -fvisibility=hidden -I include \
 *      examples/loopback-driver/driver.c -o libloopback-driver.so
 *   halyardctl --adapter driver:./libloopback-driver.so configure run-all
 *
 * Its argument may be "version=X.Y", the adapter version it reports (default 1.2). Writing a
 * block, sending a command and programming are left out: their entries are NULL, and the
 * station answers them "not supported". */
#include <halyard/driver.h>
#include <stdlib.h>
#include <string.h>

/* The adapter's statuses, which the station says in words (docs/driver-interface.md). */
enum {
  OK = HALYARD_STATUS_OK,
  NOT_OPEN = HALYARD_STATUS_ADAPTER_CLOSED,
  NO_DEVICE = HALYARD_STATUS_NO_DEVICE,
  UNKNOWN_COMMAND = HALYARD_STATUS_UNKNOWN_COMMAND,
  BAD_REGISTER = HALYARD_STATUS_BAD_REGISTER,
  BAD_FUNCTION = HALYARD_STATUS_BAD_FUNCTION,
  BAD_KIND = HALYARD_STATUS_BAD_KIND,
};

#define ADAPTER_NAME "LOOPBACK0"
#define CONTROLLER 0x16
#define TARGET 0xA0
#define SMBUS_BLOCK_MAX 32

struct halyard_driver_handle {
  int open;
  char version[3];
  uint16_t address; /* the controller's memory address (command 0x09) */
  uint8_t controller[65536];
  uint8_t target[256];
  int16_t write_status;
};

static void put_text(const char* text, char* buffer, int32_t capacity, int32_t* length) {
  int32_t n = (int32_t)strlen(text);
  if (n > capacity) n = capacity; /* never past the caller's buffer */
  memcpy(buffer, text, (size_t)n);
  *length = n;
}

static halyard_driver_handle* create(const char* argument, int32_t argument_length, char* reason,
                                     int32_t reason_capacity, int32_t* reason_length) {
  static const char prefix[] = "version=";
  const int32_t prefix_length = (int32_t)(sizeof prefix - 1);
  halyard_driver_handle* h;
  if (argument_length != 0 && (argument_length != prefix_length + 3 ||
                               memcmp(argument, prefix, (size_t)prefix_length) != 0)) {
    put_text("the argument is version=X.Y or nothing", reason, reason_capacity, reason_length);
    return NULL;
  }
  h = calloc(1, sizeof *h);
  if (h == NULL) {
    put_text("out of memory", reason, reason_capacity, reason_length);
    return NULL;
  }
  memcpy(h->version, argument_length != 0 ? argument + prefix_length : "1.2", 3);
  memset(h->target, 0xFF, sizeof h->target); /* a blank target */
  return h;
}

static void destroy(halyard_driver_handle* h) {
  free(h);
}

static int16_t open_device(halyard_driver_handle* h, const char* name, int32_t name_length) {
  if (name_length != (int32_t)strlen(ADAPTER_NAME) ||
      memcmp(name, ADAPTER_NAME, (size_t)name_length) != 0) {
    return HALYARD_STATUS_NOT_OPENED;
  }
  h->open = 1;
  return OK;
}

static void close_device(halyard_driver_handle* h) {
  h->open = 0;
}

static void list_devices(halyard_driver_handle* h, int32_t kind, int32_t* count, char* names,
                         int32_t names_capacity, int32_t* names_length) {
  (void)h;
  *count = 0;
  *names_length = 0;
  if (kind != 2 || names_capacity < (int32_t)strlen(ADAPTER_NAME)) return;
  put_text(ADAPTER_NAME, names, names_capacity, names_length);
  *count = 1;
}

static int16_t write_smbus_word(halyard_driver_handle* h, int16_t command, int16_t word,
                                int16_t device) {
  int16_t status = OK;
  if (!h->open) {
    status = NOT_OPEN;
  } else if (device != CONTROLLER) {
    status = NO_DEVICE;
  } else if (command == 0x09) {
    h->address = (uint16_t)word;
  } else if (command == 0x0A) {
    h->controller[h->address] = (uint8_t)(word & 0xFF);
  } else if (command != 0x00) {
    status = UNKNOWN_COMMAND;
  }
  h->write_status = status;
  return status;
}

static int16_t read_smbus_word(halyard_driver_handle* h, int16_t command, int16_t* word,
                               int16_t device) {
  if (!h->open) return NOT_OPEN;
  if (device != CONTROLLER) return NO_DEVICE;
  if (command == 0x0B) {
    *word = h->controller[h->address];
  } else if (command == 0x0D) {
    *word = 0x0104; /* silicon version 1.4 */
  } else {
    return UNKNOWN_COMMAND;
  }
  return OK;
}

/* Command 0x20 at the controller: the target's identification text, its length at 0x20. */
static int16_t read_smbus_block(halyard_driver_handle* h, int16_t command, uint8_t* data,
                                int32_t data_capacity, int32_t* data_length, int16_t* count,
                                int16_t device) {
  int32_t length = h->target[0x20];
  if (!h->open) return NOT_OPEN;
  if (device != CONTROLLER) return NO_DEVICE;
  if (command != 0x20) return UNKNOWN_COMMAND;
  if (length > SMBUS_BLOCK_MAX) length = SMBUS_BLOCK_MAX;
  if (length > data_capacity) return UNKNOWN_COMMAND; /* capacity is at least 255: never */
  memcpy(data, &h->target[0x21], (size_t)length);
  if (*data_length < length) *data_length = length; /* the array grows, never shrinks */
  *count = (int16_t)length;
  return OK;
}

static int16_t get_write_status(halyard_driver_handle* h) {
  return h->open ? h->write_status : NOT_OPEN;
}

/* Function 0 opens and closes a run of accesses; this target needs no run to answer. */
static int16_t i2c_access(halyard_driver_handle* h, int32_t function, int16_t device, int16_t reg,
                          int16_t* value) {
  int16_t status = OK;
  if (!h->open) {
    status = NOT_OPEN;
  } else if (function == 0) {
    status = device == 0 || device == 1 ? OK : BAD_FUNCTION;
  } else if (function != 1 && function != 2) {
    status = BAD_FUNCTION;
  } else if (device != TARGET) {
    status = NO_DEVICE;
  } else if (reg < 0 || reg > 0xFF) {
    status = BAD_REGISTER;
  } else if (function == 1) {
    h->target[reg] = (uint8_t)(*value & 0xFF);
  } else {
    *value = h->target[reg];
  }
  if (function == 1) h->write_status = status;
  return status;
}

/* SWB register 0x20 + k: target bytes 0x20 + 2k (low) and 0x21 + 2k (high). */
static int16_t read_swb_word(halyard_driver_handle* h, int32_t kind, int16_t reg, int16_t* value) {
  int low;
  if (!h->open) return NOT_OPEN;
  if (kind != 2) return BAD_KIND;
  if (reg < 0x20 || reg > 0x8F) return BAD_REGISTER;
  low = 0x20 + 2 * (reg - 0x20);
  *value = (int16_t)(uint16_t)(h->target[low + 1] << 8 | h->target[low]);
  return OK;
}

static int16_t get_adapter_version(halyard_driver_handle* h, int16_t* first, int16_t* second) {
  if (!h->open) return NOT_OPEN;
  *first = (int16_t)(uint16_t)((uint8_t)h->version[0] << 8 | (uint8_t)h->version[1]);
  *second = (uint8_t)h->version[2];
  return OK;
}

static const halyard_driver_table table = {
    .struct_size = sizeof(halyard_driver_table),
    .version_major = HALYARD_DRIVER_VERSION_MAJOR,
    .version_minor = HALYARD_DRIVER_VERSION_MINOR,
    .name = "loopback-driver 1.0",
    .create = create,
    .destroy = destroy,
    .open_device = open_device,
    .close_device = close_device,
    .list_devices = list_devices,
    .write_smbus_word = write_smbus_word,
    .read_smbus_word = read_smbus_word,
    .write_smbus_block = NULL,
    .read_smbus_block = read_smbus_block,
    .send_smbus_command = NULL,
    .get_write_status = get_write_status,
    .i2c_access = i2c_access,
    .read_swb_word = read_swb_word,
    .program_srec = NULL,
    .get_adapter_version = get_adapter_version,
};

HALYARD_DRIVER_EXPORT const halyard_driver_table* halyard_driver_entry(void) {
  return &table;
}
