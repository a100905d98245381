"""prose.py - the benchmarks' text with the statistics of natural language.

A vocabulary of 20,000 words, Latin and Cyrillic, used with Zipf's law, in sentences of 5 to 25
words: zlib 9 keeps about 36 % of it, as of prose. The same seed gives the same text in every
benchmark, so their figures describe one input.
"""
import itertools
import random

rng = random.Random(10)
_syllables = ("ka ro mi the an ing ed st ou er li ne ta bo re sh ch wa po la de fi gu ma se vo "
              "ly in or al ма ли но ра ст ве ко то пре ни ско же ла да").split()
_vocabulary = ["".join(rng.choice(_syllables) for _ in range(rng.choice((1, 1, 2, 2, 2, 3, 3, 4))))
               .encode("cp1251") for _ in range(20000)]
_zipf = list(itertools.accumulate(1 / (rank + 1) for rank in range(len(_vocabulary))))
# A text of 30 words only: the strongest compression's slowest kind of input.
_few_words = [w.encode("cp1251") for w in (
    "the keeper climbed stairs every evening storm waves broke over rock light swept dark water "
    "маяк стоял на голой скале смотритель поднимался по лестнице каждый вечер буря волны свет").split()]


def text(size, natural=True):
    """`size` bytes of prose in CP1251, or of the 30-word text when not `natural`."""
    out, n = [], 0
    while n < size:
        count = rng.randint(5, 25) if natural else rng.randint(4, 16)
        words = rng.choices(_vocabulary, cum_weights=_zipf, k=count) if natural else [
            rng.choice(_few_words) for _ in range(count)]
        s = b" ".join(words)
        s = s[:1].upper() + s[1:] + rng.choice([b". ", b". ", b", ", b"! ", b"? ", b".\r\n"])
        out.append(s)
        n += len(s)
    return b"".join(out)[:size]
