#!/usr/bin/env python3
"""Writes engine/language_model_data.inc: how Czech and Slovak text goes on from one character
to the next, as the cost (a scaled negative log-probability) of each pair of character classes;
the commonest word forms with letters beyond ASCII, as a Bloom filter, and the contexts in a
word where one of the letters that a lost byte of UTF-8 leaves alike ("ř" and "ň") is the
commoner though narrower contexts or the pairs rank another first, and the words in capitals
that are ("ŽÁDNÁ", not "ŽÁDNÍ").

It learns only from Debian's packages: the Czech and Slovak fortunes (fortunes-cs), the Czech
and Slovak message catalogues installed under /usr/share/locale, the Czech manual pages
(manpages-cs) and the Czech and Slovak spelling dictionaries (hunspell-cs, hunspell-sk). One
text in ten of the prose sources is held out of the counts; --held-out FILE writes those texts
instead of the table, one a line, for the detection benchmark (bench/detect_bench.cpp), so that
it measures on text the model never saw.

    python3 scripts/gen_language_model.py                    # the table, into the tree
    python3 scripts/gen_language_model.py --held-out h.txt   # the held-out texts only
"""
import argparse
import collections
import gzip
import hashlib
import math
import pathlib
import re
import struct
import unicodedata

ROOT = pathlib.Path(__file__).resolve().parent.parent
OUTPUT = ROOT / "engine" / "language_model_data.inc"

CZECH_SLOVAK = "áäčďéěíĺľňóôöŕřšťúůüýž"
# Typographic signs of Czech and Slovak prose with a class each, since where they stand tells
# a sound text from a misread one ("„" opens, "“" closes, "‚" after a letter is é in 852);
# then the rarer signs, in one class.
SIGNS = "\u00a0–—„“”‚‘’…«»§°"
SYMBOLS = "€×±·•©®‰¦¤¨´˝˘˙˛ˇ¸‹›"

# The classes: everything else, white space, digits, ASCII punctuation, the rarer signs,
# other Latin letters (small, capital), letters of other scripts, then a..z, A..Z, the
# Czech and Slovak letters with diacritics, small and capital, and the signs one by one.
RARE, SPACE, DIGIT, PUNCT, SYMBOL, OTHER_SMALL, OTHER_CAPITAL, OTHER_SCRIPT = range(8)
FIRST_ASCII_SMALL = 8
FIRST_ASCII_CAPITAL = FIRST_ASCII_SMALL + 26
FIRST_CS_SMALL = FIRST_ASCII_CAPITAL + 26
FIRST_CS_CAPITAL = FIRST_CS_SMALL + len(CZECH_SLOVAK)
FIRST_SIGN = FIRST_CS_CAPITAL + len(CZECH_SLOVAK)
CLASSES = FIRST_SIGN + len(SIGNS)

# Letters of other scripts, by block: Greek to the end of the general scripts, kana and CJK,
# Hangul.
OTHER_SCRIPT_RANGES = [(0x0370, 0x1DFF), (0x3040, 0x9FFF), (0xAC00, 0xD7AF)]
OTHER_LATIN_RANGES = [(0x0180, 0x024F), (0x1E00, 0x1EFF)]

SCALE = 16  # cost units per nat; 255 is the dearest pair
SMOOTHING = 2.0  # how many times a class's unigram share is added to every pair's count
WORD_WEIGHT = 0.1  # the dictionaries' words count less than prose
CAPITALS_WEIGHT = 0.05  # the prose once more in capitals

# The known words: a Bloom filter of KNOWN_BITS bits, each word setting KNOWN_HASHES of them, that
# holds the commonest word forms of the prose with a Czech or Slovak letter beyond ASCII. At ten
# bits a word, about one word in a hundred that it does not hold passes for known.
KNOWN_BITS = 1 << 17
KNOWN_HASHES = 7
KNOWN_WORDS = KNOWN_BITS // 10
# What a word the filter does not hold costs more, in nats, as repair weighs it (kKnownWordGain
# in engine/repair.cpp).
KNOWN_WORD_GAIN = 4.0
# A word in capitals is favoured over its lookalikes once seen this often in capitals: fewer are
# chance ("MNČ" for "množné číslo" three times, against the common "MNĚ").
FAVOURED_CAPITALS = 4
# A word is a run of letters: ASCII, and Latin ones up to U+024F but for the signs × and ÷.
WORD = re.compile("[A-Za-z\u00c0-\u00d6\u00d8-\u00f6\u00f8-\u024f]+")


def class_of(c):
    o = ord(c)
    if c in " \t\r\n\f\v\u2009\u202f":  # with the thin spaces between thousands
        return SPACE
    if "0" <= c <= "9":
        return DIGIT
    if "a" <= c <= "z":
        return FIRST_ASCII_SMALL + o - ord("a")
    if "A" <= c <= "Z":
        return FIRST_ASCII_CAPITAL + o - ord("A")
    if o < 0x20 or o == 0x7F:
        return RARE
    if o < 0x80:
        return PUNCT
    if c in CZECH_SLOVAK:
        return FIRST_CS_SMALL + CZECH_SLOVAK.index(c)
    if c.lower() in CZECH_SLOVAK and c != c.lower():
        return FIRST_CS_CAPITAL + CZECH_SLOVAK.index(c.lower())
    if c in SIGNS:
        return FIRST_SIGN + SIGNS.index(c)
    if c in SYMBOLS:
        return SYMBOL
    if 0xC0 <= o < 0x180 and o not in (0xD7, 0xF7):
        return OTHER_CAPITAL if unicodedata.category(c) == "Lu" else OTHER_SMALL
    # Above, whole blocks: rare letters need no case, and a few signs among them do no harm.
    if any(a <= o <= b for a, b in OTHER_LATIN_RANGES):
        return OTHER_SMALL
    if any(a <= o <= b for a, b in OTHER_SCRIPT_RANGES):
        return OTHER_SCRIPT
    return RARE


def document_id(source, index):
    return int(hashlib.sha1(f"{source}:{index}".encode()).hexdigest()[:8], 16)


def fortunes():
    for language in ("cs", "sk"):
        folder = pathlib.Path("/usr/share/games/fortunes") / language
        for path in sorted(folder.glob("*")):
            if path.suffix in (".dat", ".u8") or path.is_dir():
                continue
            text = path.read_bytes().decode("utf-8", "replace")
            for i, piece in enumerate(text.split("\n%\n")):
                piece = re.sub(r"\s*--\s.*$", "", piece.strip(), flags=re.S)
                if piece:
                    yield f"{path}:{i}", piece


def mo_strings(path):
    data = path.read_bytes()
    magic = struct.unpack("<I", data[:4])[0]
    order = "<" if magic == 0x950412DE else ">"
    count, _, translations = struct.unpack(order + "III", data[8:20])
    for i in range(count):
        length, offset = struct.unpack(order + "II", data[translations + 8 * i:translations + 8 * i + 8])
        for text in data[offset:offset + length].decode("utf-8", "replace").split("\0"):
            # Format directives and menu accelerators are not language.
            text = re.sub(r"%(\d+\$)?[-+ #0]*\d*(\.\d+)?[lhqjzt]*[a-zA-Z%]", " ", text)
            text = re.sub(r"[&_](?=\w)", "", text)
            if text.strip():
                yield text


def catalogues():
    for language in ("cs", "sk"):
        folder = pathlib.Path("/usr/share/locale") / language / "LC_MESSAGES"
        for path in sorted(folder.glob("*.mo")):
            if path.stat().st_size == 0:
                continue
            for i, text in enumerate(mo_strings(path)):
                if i > 0:  # the first is the catalogue's header
                    yield f"{path}:{i}", text


def manual_pages():
    folder = pathlib.Path("/usr/share/man/cs")
    for path in sorted(folder.glob("man*/*.gz")):
        text = gzip.decompress(path.read_bytes()).decode("utf-8", "replace")
        lines = []
        for line in text.splitlines():
            if line.startswith((".", "'")):
                words = line.split(None, 1)
                if len(words) == 2 and words[0] in (".B", ".I", ".BR", ".IR", ".BI", ".SH", ".SS"):
                    lines.append(words[1].replace('"', ""))
                continue
            lines.append(line)
        text = "\n".join(lines)
        text = re.sub(r"\\f[BIRP]|\\f\(..|\\\(..|\\[&|^]", "", text)
        text = text.replace("\\-", "-").replace("\\e", "\\")
        for i, paragraph in enumerate(re.split(r"\n\s*\n", text)):
            if paragraph.strip():
                yield f"{path}:{i}", paragraph.strip()


def dictionary_words():
    for name in ("cs_CZ", "sk_SK"):
        path = pathlib.Path("/usr/share/hunspell") / f"{name}.dic"
        for line in path.read_text("utf-8", "replace").splitlines()[1:]:
            word = line.split("/", 1)[0].strip()
            if word:
                yield word


def letter_code(c):
    """1..26 for a..z, then the Czech and Slovak letters beyond ASCII, either case; else 0."""
    k = class_of(c)
    if FIRST_ASCII_SMALL <= k < FIRST_CS_SMALL:
        return (k - FIRST_ASCII_SMALL) % 26 + 1
    if FIRST_CS_SMALL <= k < FIRST_SIGN:
        return (k - FIRST_CS_SMALL) % len(CZECH_SLOVAK) + 27
    return 0


def known_word_forms(text):
    """The words of `text` in small letters that are all of Czech and Slovak and not all ASCII.
    A letter alone ("č." for a number) is no word to know: a misreading makes one of another."""
    for word in WORD.findall(text):
        if len(word) > 1 and all(letter_code(c) for c in word) and any(
                c in CZECH_SLOVAK for c in word.lower()):
            yield word.lower()


def word_hash(word):
    """FNV-1a over the letter codes of `word`."""
    h = 0xCBF29CE484222325
    for c in word:
        h = ((h ^ letter_code(c)) * 0x100000001B3) & 0xFFFFFFFFFFFFFFFF
    return h


def known_word_bits(word):
    """The bits of the Bloom filter that `word` sets: its hash's low and high halves step
    through the filter."""
    h = word_hash(word)
    first, step = h & 0xFFFFFFFF, (h >> 32) | 1
    return [(first + i * step) % KNOWN_BITS for i in range(KNOWN_HASHES)]


# Letters that a lost byte leaves alike: the small Czech and Slovak letters of two bytes of UTF-8
# with a second byte of 0x80..0x9F, which a misreading as ISO 8859-2 makes a C1 control that
# editors turn into a no-break space, grouped by their first byte ("ř" is C5 99, "ň" C5 88).
# Their capitals are alike too ("Ř" C5 98, "Ň" C5 87). (So are capital vowels, "Á" C3 81 and
# "Í" C3 8D, but words in capitals are few to learn from.)
def lookalike_groups():
    groups = collections.defaultdict(str)
    for small in CZECH_SLOVAK:
        first, second = small.encode("utf-8")
        if 0x80 <= second <= 0x9F:
            groups[first] += small
    return [group for group in groups.values() if len(group) > 1]


# The contexts a lookalike letter is told by, widest first: so many letters of its word before
# it and after it.
LOOKALIKE_LEVELS = [(3, 3), (3, 2), (2, 2), (2, 1), (1, 1)]
# A context favours a letter seen in it this many times as often as the next: closer counts are
# chance ("ř" 9 times and "ň" 4 between "sn" and "ov").
LOOKALIKE_MARGIN = 3


def lookalike_key(group, level, before, after):
    """FNV-1a over the group, the level and the letter codes of a context; the top 28 bits."""
    h = 0xCBF29CE484222325
    for v in [group, level] + before + after:
        h = ((h ^ v) * 0x100000001B3) & 0xFFFFFFFFFFFFFFFF
    return h >> 36


def count_contexts(text, contexts, groups):
    """Counts each letter of each lookalike group, either case, in each of its contexts: the
    letter codes of the letters of its word before and after it, 0 beyond the word."""
    codes = [letter_code(c) for c in text]
    for i, c in enumerate(text):
        for g, letters in enumerate(groups):
            if c.lower() not in letters:
                continue
            start = i
            while start > 0 and codes[start - 1]:
                start -= 1
            end = i + 1
            while end < len(codes) and codes[end]:
                end += 1
            before = ([0, 0, 0] + codes[start:i])[-3:]
            after = (codes[i + 1:end] + [0, 0, 0])[:3]
            for level, (b, a) in enumerate(LOOKALIKE_LEVELS):
                contexts[(g, level, tuple(before[3 - b:]), tuple(after[:a]))][c.lower()] += 1


def context_keys(contexts, groups, costs):
    """The contexts where a letter of a lookalike group is commoner than the others
    (LOOKALIKE_MARGIN) and the narrower contexts (LOOKALIKE_LEVELS), or at the narrowest the pairs
    of characters, rank another first: lookalike_key() << 4 | the letter's place in its group, in
    order."""
    by_code = {letter_code(c): c for c in "abcdefghijklmnopqrstuvwxyz" + CZECH_SLOVAK}
    decided = {}
    keys = []
    for level in reversed(range(len(LOOKALIKE_LEVELS))):
        for (g, at, before, after), counts in contexts.items():
            if at != level:
                continue
            letters = groups[g]
            ranked = counts.most_common(2)
            if len(ranked) > 1 and ranked[0][1] < LOOKALIKE_MARGIN * ranked[1][1]:
                continue
            best = ranked[0][0]
            narrower = None
            for narrow in range(level + 1, len(LOOKALIKE_LEVELS)):
                b, a = LOOKALIKE_LEVELS[narrow]
                narrower = decided.get((g, narrow, before[len(before) - b:], after[:a]))
                if narrower:
                    break
            if narrower is None:
                around = [class_of(by_code.get(code, " ")) for code in (before[-1], after[0])]
                narrower = min(letters, key=lambda c: costs[around[0]][class_of(c)] +
                               costs[class_of(c)][around[1]])
            if best != narrower:
                decided[(g, level, before, after)] = best
                keys.append(lookalike_key(g, level, list(before), list(after)) << 4 |
                            letters.index(best))
    return sorted(keys)


# Capitals that a lost byte leaves alike: those of two bytes of UTF-8 whose second byte is
# 0x80..0x9F, or 0xA0, which ISO 8859-2 reads as the no-break space itself ("Á" C3 81, "Í" C3 8D,
# "Ř" C5 98, "Š" C5 A0), grouped by their first byte.
def capital_groups():
    groups = collections.defaultdict(str)
    for small in CZECH_SLOVAK:
        first, second = small.upper().encode("utf-8")
        if 0x80 <= second <= 0xA0:
            groups[first] += small
    return {small: first for first, group in groups.items() for small in group}


def count_capital_words(text, counts):
    for word in WORD.findall(text):
        if len(word) > 1 and word.isupper():
            counts[word.lower()] += 1


def favoured_capital_words(capital_counts, word_counts, known, costs):
    """The words seen in capitals at least FAVOURED_CAPITALS times and more often than any word
    their lookalike capitals may have been, where the pairs of characters and the known words
    rank another of them first ("ŽÁDNÁ", not "ŽÁDNÍ"), as the low 32 bits of their hashes."""
    group_of = capital_groups()

    def shape(word):
        return tuple(group_of.get(c, c) for c in word)

    def cost(word):
        previous, total = SPACE, 0
        for c in word + " ":
            current = class_of(c)
            total += costs[previous][current]
            previous = current
        return total + (0 if word in known else round(KNOWN_WORD_GAIN * SCALE))

    families = collections.defaultdict(set)
    for word in list(word_counts) + list(capital_counts):
        families[shape(word)].add(word)
    hashes = []
    for words in families.values():
        ranked = sorted(words, key=lambda w: -capital_counts[w])
        best = ranked[0]
        if capital_counts[best] < FAVOURED_CAPITALS or (
                len(ranked) > 1 and capital_counts[ranked[1]] == capital_counts[best]):
            continue
        if min(words, key=cost) != best:
            hashes.append(word_hash(best) & 0xFFFFFFFF)
    return sorted(hashes)


def count_pairs(text, counts, weight):
    previous = SPACE
    for c in text + " ":
        current = class_of(c)
        counts[previous][current] += weight
        previous = current


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--held-out", type=pathlib.Path)
    args = parser.parse_args()

    counts = [[0.0] * CLASSES for _ in range(CLASSES)]
    held_out = []
    word_counts = collections.Counter()
    groups = lookalike_groups()
    contexts = collections.defaultdict(collections.Counter)
    capital_counts = collections.Counter()
    for source in (fortunes(), catalogues(), manual_pages()):
        for key, text in source:
            # A text its package could not decode teaches runs of U+FFFD, which the wrong
            # readings of a text are full of.
            if "\ufffd" in text:
                continue
            if document_id(key, 0) % 10 == 0:
                held_out.append(" ".join(text.split()))
            else:
                count_pairs(text, counts, 1.0)
                # Headings and warnings come in capitals, which the sources have few of.
                count_pairs(text.upper(), counts, CAPITALS_WEIGHT)
                word_counts.update(known_word_forms(text))
                count_contexts(text, contexts, groups)
                count_capital_words(text, capital_counts)
    for word in dictionary_words():
        count_pairs(word, counts, WORD_WEIGHT)

    totals = [sum(row) for row in counts]
    grand = sum(totals)
    unigram = [(totals[k] + 1.0) / (grand + CLASSES) for k in range(CLASSES)]
    costs = []
    for a in range(CLASSES):
        row = []
        for b in range(CLASSES):
            p = (counts[a][b] + SMOOTHING * unigram[b]) / (totals[a] + SMOOTHING)
            row.append(min(255, round(-math.log(p) * SCALE)))
        costs.append(row)

    # A text cut from a longer one may start after a letter and end before one: what each class
    # costs after some letter, and what some letter costs after each class.
    letters = [OTHER_SMALL, OTHER_CAPITAL] + list(range(FIRST_ASCII_SMALL, FIRST_SIGN))
    after_letters = sum(totals[a] for a in letters)
    after_letter = [
        min(255, round(-math.log((sum(counts[a][b] for a in letters) + SMOOTHING * unigram[b]) /
                                 (after_letters + SMOOTHING)) * SCALE))
        for b in range(CLASSES)
    ]
    letter_share = sum(unigram[b] for b in letters)
    letter_after = [
        min(255, round(-math.log((sum(counts[a][b] for b in letters) + SMOOTHING * letter_share) /
                                 (totals[a] + SMOOTHING)) * SCALE))
        for a in range(CLASSES)
    ]

    lookalike_keys = context_keys(contexts, groups, costs)

    known = [0] * (KNOWN_BITS // 64)
    # The commonest first; among words as common, in order of their letters.
    commonest = sorted(word_counts.items(), key=lambda item: (-item[1], item[0]))[:KNOWN_WORDS]
    for word, _ in commonest:
        for bit in known_word_bits(word):
            known[bit // 64] |= 1 << (bit % 64)
    capital_words = favoured_capital_words(capital_counts, word_counts,
                                           {word for word, _ in commonest}, costs)

    latin = [class_of(chr(c)) for c in range(0x180)]
    ranges = []
    for c in range(0x180, 0x10000):
        k = class_of(chr(c))
        if k == RARE:
            continue
        if ranges and ranges[-1][1] == c - 1 and ranges[-1][2] == k:
            ranges[-1][1] = c
        else:
            ranges.append([c, c, k])

    out = [
        "// Generated by scripts/gen_language_model.py from Debian's Czech and Slovak fortunes,",
        "// message catalogues, manual pages and spelling dictionaries; do not edit.",
        "// clang-format off",
        f"inline constexpr int kLanguageClasses = {CLASSES};",
        f"inline constexpr int kCostsPerNat = {SCALE};",
        "// The first class of a..z (A..Z follow), of the Czech and Slovak small letters beyond",
        "// ASCII, of their capitals, and of the signs.",
        f"inline constexpr int kFirstAsciiSmall = {FIRST_ASCII_SMALL};",
        f"inline constexpr int kFirstCzechSlovakSmall = {FIRST_CS_SMALL};",
        f"inline constexpr int kFirstCzechSlovakCapital = {FIRST_CS_CAPITAL};",
        f"inline constexpr int kFirstSign = {FIRST_SIGN};",
        "// The class of the letters of other scripts than Latin.",
        f"inline constexpr int kOtherScriptClass = {OTHER_SCRIPT};",
        "// The class of U+0000..U+017F.",
        "inline constexpr std::uint8_t kClassOfLatin[0x180] = {",
    ]
    for i in range(0, len(latin), 24):
        out.append("    " + ", ".join(str(k) for k in latin[i:i + 24]) + ",")
    out.append("};")
    out.append("// Above U+017F: first, last, class; every other character is of class 0.")
    out.append("inline constexpr ClassRange kClassRanges[] = {")
    for first, last, k in ranges:
        out.append(f"    {{0x{first:04X}, 0x{last:04X}, {k}}},")
    out.append("};")
    out.append("// The cost of each class after each class.")
    out.append(f"inline constexpr std::uint8_t kPairCost[{CLASSES}][{CLASSES}] = {{")
    for row in costs:
        out.append("    {" + ", ".join(str(v) for v in row) + "},")
    out.append("};")
    out.append("// The cost of each class after a letter, and of a letter after each class.")
    for name, row in (("kCostAfterLetter", after_letter), ("kLetterCostAfter", letter_after)):
        out.append(f"inline constexpr std::uint8_t {name}[{CLASSES}] = {{")
        for i in range(0, CLASSES, 24):
            out.append("    " + ", ".join(str(v) for v in row[i:i + 24]) + ",")
        out.append("};")
    out.append(f"// The {len(commonest)} commonest word forms with letters beyond ASCII: a Bloom filter.")
    out.append(f"inline constexpr int kKnownWordHashes = {KNOWN_HASHES};")
    out.append(f"inline constexpr std::uint32_t kKnownWordBitCount = {KNOWN_BITS};")
    out.append(f"inline constexpr std::uint64_t kKnownWordBits[{len(known)}] = {{")
    for i in range(0, len(known), 4):
        out.append("    " + ", ".join(f"0x{v:016X}" for v in known[i:i + 4]) + ",")
    out.append("};")
    out.append(f"inline constexpr int kLookalikeLevels = {len(LOOKALIKE_LEVELS)};")
    out.append("inline constexpr LookalikeContext kLookalikeLevelSizes[] = {")
    out.append("    " + ", ".join(f"{{{b}, {a}}}" for b, a in LOOKALIKE_LEVELS) + ",")
    out.append("};")
    out.append("// The lookalike groups (" + ", ".join(groups) + "): the letter codes of their letters.")
    out.append(f"inline constexpr std::uint8_t kLookalikeGroups[{len(groups)}][{max(map(len, groups))}] = {{")
    for letters in groups:
        out.append("    {" + ", ".join(str(letter_code(c)) for c in letters) + "},")
    out.append("};")
    out.append("// Where a letter of a lookalike group is the commonest of its group in a context of its word")
    out.append("// though narrower contexts rank another first: the top 28 bits of FNV-1a over the group, the")
    out.append("// level and the letter codes of the context, then the letter's place in its group; in order.")
    out.append(f"inline constexpr std::uint32_t kLookalikeContexts[{len(lookalike_keys)}] = {{")
    for i in range(0, len(lookalike_keys), 8):
        out.append("    " + ", ".join(f"0x{v:08X}" for v in lookalike_keys[i:i + 8]) + ",")
    out.append("};")
    out.append("// Words seen in capitals often, more often than any word their lookalike capitals may have")
    out.append("// been (\"ŽÁDNÁ\" and \"ŽÁDNÍ\", C3 81 and C3 8D), where the pairs and the known words rank")
    out.append("// another first: the low 32 bits of their hashes, in order.")
    out.append(f"inline constexpr std::uint32_t kFavouredCapitalWords[{len(capital_words)}] = {{")
    out.append("    " + ", ".join(f"0x{v:08X}" for v in capital_words) + ",")
    out.append("};")
    if args.held_out:
        args.held_out.write_text("\n".join(held_out) + "\n", encoding="utf-8")
        print(f"{args.held_out}: {len(held_out)} texts held out")
    else:
        OUTPUT.write_text("\n".join(out) + "\n")
        print(f"{OUTPUT}: {CLASSES} classes, {len(ranges)} ranges, {len(commonest)} of "
              f"{len(word_counts)} known words, {len(lookalike_keys)} lookalike contexts, "
              f"{len(capital_words)} favoured words in capitals")


if __name__ == "__main__":
    main()
