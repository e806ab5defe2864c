/* The adapter driver interface of the Halyard station, version 1.0.
 *
 * A driver is a shared library that lets the station reach an adapter it does not know itself.
 * It exports one function, halyard_driver_entry, which returns a constant table: its size, the
 * interface version it was written against, its name, and functions to create and destroy a
 * handle and to carry out the station's thirteen adapter operations. This header is all a
 * driver author needs; docs/driver-interface.md says the same at more length.
 *
 * Rules every function follows:
 *  - Statuses are 16-bit: 0 success, anything else a failure the station shows as a number and,
 *    where it knows the number, in words. Answer the adapter's statuses below where one says
 *    what happened (HALYARD_STATUS_NO_DEVICE when nothing acknowledges), and number your own
 *    failures from HALYARD_STATUS_DRIVER_FIRST up, documented for your users.
 *    -32768 to -32000 belong to the station (HALYARD_STATUS_STATION_FIRST..LAST); a driver
 *    never answers them, and the station replaces one that it does.
 *  - open_device answers -1 for "not opened"; every other value, also a failure of the driver's
 *    own, means "opened" to the station.
 *  - Texts are UTF-8 with an explicit length and need no terminating NUL. Texts the station
 *    hands in are what the operator typed or the configuration holds: usually UTF-8, but a
 *    driver must treat them as bytes. Pointers the station hands in are never NULL, also for a
 *    text of length 0.
 *  - Buffers belong to the caller. A buffer comes with its capacity; the driver writes at most
 *    that many bytes and reports the length it left there. Lengths and capacities are int32_t.
 *  - Every output parameter holds the caller's current value on entry; a driver that does not
 *    set it leaves that value standing. On a failure, leave every output as it came in.
 *  - A NULL entry is an operation the driver lacks; the station answers it with
 *    HALYARD_STATUS_NOT_SUPPORTED and never calls through it.
 *  - One call at a time per handle: the station never calls a handle from two threads at once.
 *
 * The bus: `device` is the station's 8-bit address, the 7-bit bus address shifted left (0x16 is
 * bus address 0x0B). 0x17 is a device of its own to the station, the controller's trim
 * firmware, though as a bus address it is 0x16's read form; a bridge that cannot reach it
 * answers a status of its own, not HALYARD_STATUS_NO_DEVICE (which the station reads as "the
 * trim firmware is not running"). Words go low byte first, as SMBus sends them.
 */
#ifndef HALYARD_DRIVER_H
#define HALYARD_DRIVER_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define HALYARD_DRIVER_VERSION_MAJOR 1
#define HALYARD_DRIVER_VERSION_MINOR 0

#if defined(__GNUC__) || defined(__clang__)
#define HALYARD_DRIVER_EXPORT __attribute__((visibility("default")))
#else
#define HALYARD_DRIVER_EXPORT
#endif

/* Statuses. */
#define HALYARD_STATUS_OK 0
#define HALYARD_STATUS_NOT_OPENED (-1) /* open_device only */
/* The adapter's statuses, which the station knows in words. program_srec's file faults: */
#define HALYARD_STATUS_FILE_NOT_FOUND 1            /* no file at that path (also an empty one) */
#define HALYARD_STATUS_FILE_UNREADABLE 2           /* not a regular file, unreadable, over 16 MiB */
#define HALYARD_STATUS_FILE_EMPTY 3                /* no records */
#define HALYARD_STATUS_FILE_MALFORMED 4            /* a line that is no well-formed S-record */
#define HALYARD_STATUS_FILE_BAD_CHECKSUM 5         /* a record's checksum is wrong */
#define HALYARD_STATUS_FILE_NO_DATA 6              /* not one data byte */
#define HALYARD_STATUS_FILE_ADDRESS_OUT_OF_RANGE 7 /* beyond the controller's 64 KiB */
#define HALYARD_STATUS_FILE_NO_END 8               /* cut off: no end record */
/* Any operation's: */
#define HALYARD_STATUS_ADAPTER_CLOSED 10      /* the adapter is not open */
#define HALYARD_STATUS_NO_DEVICE 11           /* nothing answers (acknowledges) at that address */
#define HALYARD_STATUS_UNKNOWN_COMMAND 12     /* the device does not know that command */
#define HALYARD_STATUS_I2C_NO_RUN 13          /* i2c_access 1 or 2 outside a run opened by 0 */
#define HALYARD_STATUS_BAD_REGISTER 14        /* a register outside the device's range */
#define HALYARD_STATUS_BAD_FUNCTION 15        /* an i2c_access function or device not offered */
#define HALYARD_STATUS_BAD_KIND 16            /* a list or SWB kind other than 2 */
#define HALYARD_STATUS_BAD_WORD 17            /* a word the command does not accept */
#define HALYARD_STATUS_NO_ROW_SELECTED 18     /* trim firmware: a row read or write before 0x09 */
#define HALYARD_STATUS_ROW_NOT_ARMED 19       /* trim firmware: a row write without 0x11 before */
#define HALYARD_STATUS_ROW_WRITE_PROTECTED 20 /* trim firmware: the flash is write-protected */
#define HALYARD_STATUS_BAD_BLOCK 21           /* a block of the wrong size or tail byte */
/* A driver's own failures, each documented for its users. The station says of them that they
 * are the driver's own. */
#define HALYARD_STATUS_DRIVER_FIRST 1000
#define HALYARD_STATUS_DRIVER_LAST 32767
/* The station's range: never answered by a driver. */
#define HALYARD_STATUS_STATION_FIRST (-32768)
#define HALYARD_STATUS_STATION_LAST (-32000)
/* The station's own answers in a driver's place: */
#define HALYARD_STATUS_NOT_SUPPORTED (-32001)  /* the entry is NULL or past the table's size */
#define HALYARD_STATUS_BAD_LENGTH (-32002)     /* a returned length < 0 or > the capacity */
#define HALYARD_STATUS_BAD_TEXT (-32003)       /* a changed text is not UTF-8 or holds a NUL */
#define HALYARD_STATUS_STATION_STATUS (-32004) /* the driver answered a status of the station */

/* Buffer sizes the station offers at least. */
#define HALYARD_TEXT_CAPACITY 4096 /* texts out: adapter names, the texts of program_srec */
#define HALYARD_BLOCK_CAPACITY 255 /* read_smbus_block: the longest SMBus block */
#define HALYARD_NAME_MAX 255       /* the table's name, in bytes, without its NUL */

/* A driver's own state for one adapter session; the station never looks inside. */
typedef struct halyard_driver_handle halyard_driver_handle;

typedef struct halyard_driver_table {
  /* sizeof(halyard_driver_table) as the driver was built. The station reads no further, and an
   * entry that lies beyond it counts as NULL. */
  uint32_t struct_size;
  uint16_t version_major; /* HALYARD_DRIVER_VERSION_MAJOR */
  uint16_t version_minor; /* HALYARD_DRIVER_VERSION_MINOR */
  /* NUL-terminated UTF-8, at most HALYARD_NAME_MAX bytes, e.g. "FooDriver 1.0". */
  const char* name;

  /* The text after "driver:PATH," on the station's command line: `argument` is never NULL and
   * argument_length may be 0 (no argument). NULL on failure, with a one-line reason in
   * `reason` (capacity reason_capacity, at least 1024; set *reason_length). Required. */
  halyard_driver_handle* (*create)(const char* argument, int32_t argument_length, char* reason,
                                   int32_t reason_capacity, int32_t* reason_length);
  /* Ends the session: the station calls it once, last. Required. */
  void (*destroy)(halyard_driver_handle* handle);

  /* The thirteen operations. docs/driver-interface.md shows each one's bus traffic. */

  /* -1: not opened. Any other value, 0 or a status of the driver's own, counts as opened. */
  int16_t (*open_device)(halyard_driver_handle* handle, const char* name, int32_t name_length);
  void (*close_device)(halyard_driver_handle* handle);
  /* Kind 2 lists the adapters: *count of them, names separated by ","; the station opens the
   * first. Another kind lists nothing (count 0, length 0). */
  void (*list_devices)(halyard_driver_handle* handle, int32_t kind, int32_t* count, char* names,
                       int32_t names_capacity, int32_t* names_length);
  /* SMBus write word: address+W, command, low byte, high byte. */
  int16_t (*write_smbus_word)(halyard_driver_handle* handle, int16_t command, int16_t word,
                              int16_t device);
  /* SMBus read word: address+W, command, restart, address+R, low byte, high byte. */
  int16_t (*read_smbus_word)(halyard_driver_handle* handle, int16_t command, int16_t* word,
                             int16_t device);
  /* SMBus block write of the first `count` bytes of data (0..255), as one message: address+W,
   * command, count, the bytes; the trim firmware's row write is 33 bytes (SMBus 3). A count
   * below 0, above 255 or above data_length is refused without any transfer: the driver never
   * reads past data_length. */
  int16_t (*write_smbus_block)(halyard_driver_handle* handle, int16_t command, const uint8_t* data,
                               int32_t data_length, int16_t count, int16_t device);
  /* SMBus block read: address+W, command, restart, address+R, the count byte, then that many
   * bytes. An array the driver may refill and resize within its capacity: on entry data holds
   * *data_length bytes (the station's array); the driver writes the block from data[0], sets
   * *data_length to the array's new length (grow it to the block, never shrink it) and *count
   * to the block's byte count. */
  int16_t (*read_smbus_block)(halyard_driver_handle* handle, int16_t command, uint8_t* data,
                              int32_t data_capacity, int32_t* data_length, int16_t* count,
                              int16_t device);
  /* SMBus send byte: address+W, command. */
  int16_t (*send_smbus_command)(halyard_driver_handle* handle, int16_t command, int16_t device);
  /* The status of the last write (write_smbus_word, write_smbus_block, send_smbus_command,
   * i2c_access function 1); 0 before the first; HALYARD_STATUS_ADAPTER_CLOSED while closed. */
  int16_t (*get_write_status)(halyard_driver_handle* handle);
  /* function 0: device 1 opens a run of accesses, device 0 closes it (no bus traffic; the station
   * closes every run it opens, also after a failure). 1: write the low byte of *value to
   * register `reg`: address+W, reg, byte. 2: read register `reg` into *value (0..255):
   * address+W, reg, restart, address+R, byte. */
  int16_t (*i2c_access)(halyard_driver_handle* handle, int32_t function, int16_t device,
                        int16_t reg, int16_t* value);
  /* Kind 2: the word of SWB register `reg`, the Halyard's own bus. */
  int16_t (*read_swb_word)(halyard_driver_handle* handle, int32_t kind, int16_t reg,
                           int16_t* value);
  /* Programs the controller from the S-record file `path`. Three texts in and out: each buffer
   * holds *..._length bytes on entry and may be rewritten within its capacity. */
  int16_t (*program_srec)(halyard_driver_handle* handle, char* path, int32_t path_capacity,
                          int32_t* path_length, char* second, int32_t second_capacity,
                          int32_t* second_length, char* third, int32_t third_capacity,
                          int32_t* third_length);
  /* first: version characters 1 (high byte) and 2 (low byte); second: character 3. */
  int16_t (*get_adapter_version)(halyard_driver_handle* handle, int16_t* first, int16_t* second);
} halyard_driver_table;

/* The one function a driver exports. The table must stay valid while the library is loaded. */
typedef const halyard_driver_table* (*halyard_driver_entry_function)(void);
HALYARD_DRIVER_EXPORT const halyard_driver_table* halyard_driver_entry(void);

#ifdef __cplusplus
}
#endif

#endif /* HALYARD_DRIVER_H */
