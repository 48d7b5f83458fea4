// The divisor listing above the root, written once: each vector kernel file instantiates it with
// its own register operations, as transponiert.h does for the lister. Included only by kernel
// files, each compiled for its instruction set.
//
// Every candidate d gets its own exact remainder r = n mod d, in order from the top down, each
// from the one above it (the proof is at teiler_schritte_portabel in kern_portabel.cpp): going from
// d to d - 1 the quotient q = floor(n / d) stays or grows by one, and
//     r' = r + q - (d - 1),  q' = q + 1    where r + q >= d - 1,
//     r' = r + q,            q' = q        else.
// A lane steps through `runden` blocks of 64 candidates one below the other; all lanes go in
// step, and a lane whose remainders met 0 in a round has its block checked again by division
// (divisors are rare).
//
// Where the quotient is the same for a lane's whole round, the correction cannot happen, and each
// remainder is the one above it plus q: an addition, and the compare with zero. Whether it is the
// same is decided exactly, before the round, from the lane's exact state (d, q, r) at the
// candidate its steps start from: the k-th candidate below it, d - k, has r + k q as its
// remainder with quotient q exactly when every step up to it needs no correction, that is when
//     r + j q < d - j,   i.e.   j (q + 1) < d - r,     for j = 1, ..., k.
// The left side grows with j, so for a round of at most 64 steps it suffices that
//     64 (q + 1) < d - r.
// Neither side overflows: r < d, so d - r >= 1, and above the root q < 65536, so
// 64 (q + 1) <= 2^22. The test is per round and per group (all lanes at once): where any lane's
// quotient may change, the whole group takes the corrected steps for that round. Above about
// 8 sqrt(n) the quotient changes in fewer than one block in 64 (it changes about 64 n / d^2 times
// per block), so nearly every round of a large number takes the short path.
//
// What a level provides (struct V):
//   reg, breite                 the register and its number of 32-bit lanes
//   laden(p), alle(x)           load `breite` values, or one value into every lane
//   add(a, b), sub(a, b)        lane by lane, modulo 2^32
//   versatz                     what the remainders are kept offset by (SSE2 orders them with
//                               signed compares, so 2^31 there; 0 elsewhere)
//   schritt(d, q, r)            one corrected step, as above
//   konstant(d, q, r)           the lanes' test above, for the whole register
//   keine(), null_merken(t, r)  a lane's record of its round: whether a remainder was 0
//   treffer(t)                  those lanes as bits, lane i as bit i
#pragma once

#include <algorithm>
#include <cstdint>

#include "numbers/kernels/kerne_intern.h"

namespace {

template <class V, unsigned register_anzahl, unsigned runden>
unsigned teiler_schritte_stufe(std::uint32_t zahl, std::uint32_t oben, unsigned bloecke, std::uint64_t* masken) {
    constexpr unsigned R = register_anzahl, spuren = R * V::breite, gruppe = spuren * runden;
    static_assert(spuren <= 64, "a round's lanes are one 64-bit word of hits");
    using reg = typename V::reg;
    unsigned getan = 0;
    for (; bloecke - getan >= gruppe; getan += gruppe) {
        const std::uint32_t kopf = oben - 64 * getan;
        std::uint32_t d0[spuren], q0[spuren], r0[spuren];
        spuren_anfangen(zahl, kopf, spuren, runden, V::versatz, d0, q0, r0);
        reg d[R], q[R], r[R], t[R];
        for (unsigned i = 0; i < R; ++i) {
            d[i] = V::laden(d0 + i * V::breite);
            q[i] = V::laden(q0 + i * V::breite);
            r[i] = V::laden(r0 + i * V::breite);
            t[i] = V::null_merken(V::keine(), r[i]);  // the group's first candidates, divided
        }
        std::fill_n(masken + getan, gruppe, std::uint64_t{0});
        unsigned kurz = 0;
        for (unsigned runde = 0; runde < runden; ++runde) {
            if (runde > 0)
                for (unsigned i = 0; i < R; ++i) t[i] = V::keine();
            const unsigned schritte = runde == 0 ? 63 : 64;
            bool konstant = true;
            for (unsigned i = 0; i < R; ++i) konstant = V::konstant(d[i], q[i], r[i]) && konstant;
            if (konstant) {
                ++kurz;
                for (unsigned s = 0; s < schritte; ++s)
                    for (unsigned i = 0; i < R; ++i) {
                        r[i] = V::add(r[i], q[i]);
                        t[i] = V::null_merken(t[i], r[i]);
                    }
                const reg weiter = V::alle(schritte);
                for (unsigned i = 0; i < R; ++i) d[i] = V::sub(d[i], weiter);
            } else {
                for (unsigned s = 0; s < schritte; ++s)
                    for (unsigned i = 0; i < R; ++i) {
                        V::schritt(d[i], q[i], r[i]);
                        t[i] = V::null_merken(t[i], r[i]);
                    }
            }
            std::uint64_t treffer = 0;
            for (unsigned i = 0; i < R; ++i) treffer |= std::uint64_t{V::treffer(t[i])} << (i * V::breite);
            // Most rounds hold no divisor, and their words are clear already: the call, and the
            // registers it would make the compiler save, only for the rare round that has one.
            if (treffer != 0) runde_eintragen(zahl, kopf, spuren, runden, runde, treffer, teiler_im_block_sse2, masken + getan);
        }
        teiler_runden_zaehlen(runden, kurz);
    }
    return getan;
}

}  // namespace
