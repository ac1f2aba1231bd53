/* The C interface of libpismovar, from C: pieces of every size give the bytes of one call,
 * a full output resumes after E2BIG, the held end comes with the flush, every pair of code
 * pages agrees with the way through UTF-8 on a real sentence, detection names the code page
 * and line end, and bad arguments fail with EINVAL. */
#include <errno.h>
#include <pismovar.h>
#include <stdio.h>
#include <string.h>

static int failures;

#define CHECK(condition)                                             \
  do {                                                               \
    if (!(condition)) {                                              \
      printf("FAIL %s:%d: %s\n", __FILE__, __LINE__, #condition);   \
      ++failures;                                                    \
    }                                                                \
  } while (0)

/* "Příliš žluťoučký kůň úpěl ďábelské ódy.\r\nÚterý, Ťažký.\r" in UTF-8. */
static const char kSentence[] =
    "P\xc5\x99\xc3\xadli\xc5\xa1 \xc5\xbelu\xc5\xa5ou\xc4\x8dk\xc3\xbd k\xc5\xaf\xc5\x88 "
    "\xc3\xbap\xc4\x9bl \xc4\x8f\xc3\xa1\x62\x65lsk\xc3\xa9 \xc3\xb3\x64y.\r\n"
    "\xc3\x9ater\xc3\xbd, \xc5\xa4\x61\xc5\xbek\xc3\xbd.\r";

enum { kRoom = 4096 };

/* Converts `text` with a new converter, `piece` input bytes and `room` output bytes at a time,
 * then flushes; returns the output's length, or -1 when a call failed other than by E2BIG. */
static long Convert(const char *text, size_t size, int from, int to, int eolIn, int eolOut,
                    size_t piece, size_t room, char *result) {
  pismovar_t *cv = pismovar_open(from, to, eolIn, eolOut, 0);
  if (cv == NULL) return -1;
  size_t written = 0;
  size_t at = 0;
  int flushed = 0;
  while (!flushed) {
    const char *in = at < size ? text + at : NULL;
    size_t inleft = at < size ? (size - at < piece ? size - at : piece) : 0;
    const size_t given = inleft;
    char *out = result + written;
    size_t outleft = room;
    const size_t r = pismovar_convert(cv, in ? &in : NULL, &inleft, &out, &outleft);
    at += given - inleft;
    written += room - outleft;
    if (r == (size_t)-1 && errno != E2BIG) {
      pismovar_close(cv);
      return -1;
    }
    if (in == NULL && r != (size_t)-1) flushed = 1;
    if (written + room > kRoom) break;
  }
  pismovar_close(cv);
  return (long)written;
}

static void PiecesOfEverySizeGiveTheBytesOfOneCall(void) {
  static const int kPairs[][4] = {{7, 1, 0, 2}, {7, 4, -1, 1}, {7, 6, 0, 0}, {7, 7, -1, 0}};
  for (size_t p = 0; p < sizeof kPairs / sizeof kPairs[0]; ++p) {
    const int *c = kPairs[p];
    char whole[kRoom];
    const long expected = Convert(kSentence, strlen(kSentence), c[0], c[1], c[2], c[3],
                                  strlen(kSentence), 1024, whole);
    CHECK(expected > 0);
    for (size_t piece = 1; piece <= 9; ++piece) {
      for (size_t room = 1; room <= 5; room += 2) {
        char pieces[kRoom];
        const long got =
            Convert(kSentence, strlen(kSentence), c[0], c[1], c[2], c[3], piece, room, pieces);
        CHECK(got == expected && memcmp(pieces, whole, (size_t)expected) == 0);
      }
    }
  }
}

static void AFullOutputSaysE2bigAndTheHeldCrComesWithTheFlush(void) {
  pismovar_t *cv = pismovar_open(1, 7, -1, 2, 0);
  const char *in = "a\x87\r"; /* Kamenický "č", then a CR that may begin a pair */
  size_t inleft = 3;
  char buffer[8];
  char *out = buffer;
  size_t outleft = 2;
  CHECK(pismovar_convert(cv, &in, &inleft, &out, &outleft) == (size_t)-1 && errno == E2BIG);
  CHECK(out - buffer == 2 && outleft == 0);
  outleft = sizeof buffer - 2;
  CHECK(pismovar_convert(cv, &in, &inleft, &out, &outleft) == 0 && inleft == 0);
  CHECK(out - buffer == 3 && memcmp(buffer, "a\xc4\x8d", 3) == 0);
  CHECK(pismovar_convert(cv, NULL, NULL, &out, &outleft) == 0);
  CHECK(out - buffer == 4 && buffer[3] == '\n');
  pismovar_close(cv);
}

static void EveryPairAgreesWithTheWayThroughUtf8(void) {
  char in[7][kRoom];
  long size[7];
  for (int page = 0; page < 6; ++page) {
    size[page] = Convert(kSentence, strlen(kSentence), 7, page, -1, -1, 4096, 4096, in[page]);
    CHECK(size[page] > 0);
  }
  for (int from = 0; from < 6; ++from) {
    for (int to = 0; to < 7; ++to) {
      char direct[kRoom];
      char expected[kRoom];
      const long got = Convert(in[from], (size_t)size[from], from, to, -1, -1, 4096, 4096, direct);
      const long want = Convert(kSentence, strlen(kSentence), 7, to, -1, -1, 4096, 4096, expected);
      CHECK(got == want && memcmp(direct, expected, (size_t)want) == 0);
    }
  }
  pismovar_t *cv = pismovar_open(0, 6, -1, -1, 0);
  const char *text = "\xe8\x9a\x80"; /* "č", "š" and the euro sign, none of them in ASCII */
  size_t inleft = 3;
  char buffer[8];
  char *out = buffer;
  size_t outleft = sizeof buffer;
  CHECK(pismovar_convert(cv, &text, &inleft, &out, &outleft) == 3);
  CHECK(pismovar_losses(cv) == 3);
  pismovar_close(cv);
}

static void DetectionNamesTheCodePageAndLineEnd(void) {
  char kamenicky[kRoom];
  const long size = Convert(kSentence, strlen(kSentence), 7, 1, -1, 2, 4096, 4096, kamenicky);
  pismovar_guess_t guess;
  CHECK(pismovar_detect(kamenicky, (size_t)size, &guess) == 0);
  CHECK(guess.code_page == 1 && guess.line_end == 2);
  CHECK(guess.confidence >= 0 && guess.confidence <= 100);
  CHECK(pismovar_detect(kSentence, strlen(kSentence), &guess) == 0 && guess.code_page == 7);
  CHECK(pismovar_detect(kSentence, 1, NULL) == -1 && errno == EINVAL);
}

static void BadArgumentsFailWithEinval(void) {
  static const int kBad[][5] = {{8, 0, 0, 0, 0}, {0, -1, 0, 0, 0}, {0, 0, 3, 0, 0},
                                {0, 0, 0, -2, 0}, {0, 0, 0, 0, 4}};
  for (size_t i = 0; i < sizeof kBad / sizeof kBad[0]; ++i) {
    errno = 0;
    CHECK(pismovar_open(kBad[i][0], kBad[i][1], kBad[i][2], kBad[i][3], (unsigned)kBad[i][4]) ==
              NULL &&
          errno == EINVAL);
  }
  CHECK(strcmp(pismovar_version(), PISMOVAR_EXPECTED_VERSION) == 0);
}

int main(void) {
  PiecesOfEverySizeGiveTheBytesOfOneCall();
  AFullOutputSaysE2bigAndTheHeldCrComesWithTheFlush();
  EveryPairAgreesWithTheWayThroughUtf8();
  DetectionNamesTheCodePageAndLineEnd();
  BadArgumentsFailWithEinval();
  printf("%s\n", failures == 0 ? "all checks passed" : "some checks failed");
  return failures == 0 ? 0 : 1;
}
