/* libpismovar: conversion of Czech and Slovak text between the 8-bit code pages it was
 * written in, UTF-8 and the three line-end conventions, and a guess of a text's code page
 * and line ends. A C interface for any language; link with `pkg-config --libs pismovar`.
 *
 * Code pages:  0 Windows 1250, 1 Kamenický, 2 Latin-2 (code page 852), 3 ISO 8859-2,
 *              4 Macintosh Central European, 5 KOI8-ČS, 6 ASCII, 7 UTF-8.
 * Line ends:   0 CR LF (DOS/Windows), 1 CR (Macintosh), 2 LF (Unix/Linux).
 *
 * Every character arrives as itself where the output code page has it; one the output lacks
 * becomes a plain form (the letter without its diacritics, a quotation mark, a dash) or "?",
 * and is counted as replaced. Bytes below 0x80 pass unchanged apart from line ends. The
 * library never prints, never reads the environment and keeps no state but a converter's.
 */
#ifndef PISMOVAR_H
#define PISMOVAR_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define PISMOVAR_API __attribute__((visibility("default")))
#else
#define PISMOVAR_API
#endif

/* A converter, made by pismovar_open and ended by pismovar_close. One thread at a time. */
typedef struct pismovar_converter pismovar_t;

/* Flags of pismovar_open. */
#define PISMOVAR_LETTERS_ONLY 1u /* between two 8-bit code pages convert only the letters */
#define PISMOVAR_WRITE_BOM 2u    /* UTF-8 output starts with a byte-order mark */

/* A converter from `code_in` to `code_out` (0..7) and from line end `eol_in` to `eol_out`
 * (0..2). `eol_out` -1 leaves the line ends as they are; `eol_in` -1 with `eol_out` set makes
 * every line end (CR LF, lone CR, lone LF) `eol_out`. NULL with errno EINVAL for a value out
 * of range or an unknown flag, ENOMEM when memory runs out. */
PISMOVAR_API pismovar_t* pismovar_open(int code_in, int code_out, int eol_in, int eol_out,
                                       unsigned flags);

/* Converts from `*in` (`*inleft` bytes) into `*out` (room for `*outleft`), as iconv(3):
 * as much as fits, moving the pointers and counts on. A CR that may begin a CR LF pair and
 * the beginning of a UTF-8 sequence at the end of the input wait for the next call; text
 * converted beyond the room of `out` waits too and comes first in the next call. With `in`
 * or `*in` NULL, what waits is converted as the text's end. Returns how many characters this
 * call replaced, or (size_t)-1 with errno E2BIG when `out` is full before everything is
 * written (call again with more room), ENOMEM when memory runs out. */
PISMOVAR_API size_t pismovar_convert(pismovar_t* cv, const char** in, size_t* inleft, char** out,
                                     size_t* outleft);

/* What all the calls of `cv` replaced so far: characters the output lacks, bytes the input
 * code page leaves undefined, and malformed UTF-8 sequences. */
PISMOVAR_API unsigned long long pismovar_losses(const pismovar_t* cv);

/* Ends a converter; what still waits in it is dropped. NULL is allowed. */
PISMOVAR_API void pismovar_close(pismovar_t* cv);

/* A detection's answer. */
typedef struct pismovar_guess {
  int code_page;  /* 0..7 */
  int line_end;   /* 0..2 */
  int confidence; /* 0..100: how much likelier the answer is than the next reading that gives
                     another text; 100 where no other reading gives another text */
} pismovar_guess_t;

/* Guesses the code page and line ends of the `len` bytes at `buf`, taken as a whole text.
 * 0 with `*guess` filled; -1 with errno EINVAL when `guess` is NULL or `buf` NULL with a
 * length, ENOMEM when memory runs out. */
PISMOVAR_API int pismovar_detect(const char* buf, size_t len, pismovar_guess_t* guess);

/* The library's version, such as "3.5.0". */
PISMOVAR_API const char* pismovar_version(void);

#ifdef __cplusplus
}
#endif

#endif /* PISMOVAR_H */
