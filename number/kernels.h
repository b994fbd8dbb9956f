// Limb-array kernels: the loops under KVnum's operations.
//
// Internal header, never installed. Every kernel works on arrays of base-10000
// limbs, least significant first, given as pointers and lengths. Kernels know
// nothing of signs, exponents, precision or normal form; the number-level code
// in KVnum's sources decides what to call and keeps those rules. A faster
// kernel may replace any of these as long as its contract holds: each one
// gives an exact, fully determined result, so any two correct versions agree
// limb for limb (tests/kernels_test.cpp holds them to plain reference loops).
//
// Unless a contract says otherwise, input limbs lie in 0..9999, lengths are
// >= 0, and no kernel allocates: temporaries live in per-thread scratch
// storage that grows once and is then reused (growing it can fail only with
// the fatal "Memory allocation failure.").
#ifndef KELVANE_KERNELS_H
#define KELVANE_KERNELS_H

#include <cstddef>
#include <cstdint>

namespace kv {

typedef int32_t limb_t;
const limb_t BASE = 10000;

// w[0..n) := 0.
void zero_n(limb_t* w, int n);

// w[0..n) := u[0..n). w and u may be equal; no partial overlap.
void copy_n(limb_t* w, const limb_t* u, int n);

// Decimal digits of a limb written without leading zeros (1 for 0).
inline int limb_digits(limb_t v) { return v >= 1000 ? 4 : v >= 100 ? 3 : v >= 10 ? 2 : 1; }

// Index of the most significant non-zero limb of u[0..n), or -1.
int top_n(const limb_t* u, int n);

// Index of the least significant non-zero limb of u[0..n), or n.
int low_n(const limb_t* u, int n);

// Moves u[0..n) up by k limbs in place: u[j+k] := u[j] for j+k < n (limbs
// moved past n are lost), u[0..k) := 0. k >= 0.
void shift_up(limb_t* u, int n, int k);

// Moves u[0..n) down by k limbs in place, dropping the k lowest limbs:
// u[j] := u[j+k], the top k limbs become 0. k >= 0; k >= n clears u.
void shift_down(limb_t* u, int n, int k);

// w[0..n) := floor(u[0..n) / 10^d), d >= 0. w may equal u; no partial
// overlap.
void trunc_digits(limb_t* w, const limb_t* u, int n, int64_t d);

// w[0..n] := u[0..n) x 10^p for 0 <= p <= 3 (n + 1 limbs, n >= 1). Each
// limb takes the low digits of one limb and the high digits of the one
// below, so no carry runs. w must not overlap u.
void scale_digits(limb_t* w, const limb_t* u, int n, int p);

// Compares u[0..n) with v[0..n): 1, 0 or -1.
int cmp_n(const limb_t* u, const limb_t* v, int n);

// Compares floor(u[0..n) / 10^d) with v[0..n): 1, 0 or -1, without
// forming the cut number (d >= 0; d = 0 is cmp_n).
int cmp_trunc(const limb_t* u, const limb_t* v, int n, int64_t d);

// w := u + v over n limbs; returns the carry out of limb n-1 (0 or 1).
// w may equal u or v.
limb_t add_n(limb_t* w, const limb_t* u, const limb_t* v, int n);

// w := u - v over n limbs when u >= v (returns 0); otherwise w is
// u - v + 10000^n and the result is 1 (the final borrow). w may equal u or v.
limb_t sub_n(limb_t* w, const limb_t* u, const limb_t* v, int n);

// w[0..un+vn) := u[0..un) * v[0..vn), exact. un, vn >= 1; w must not overlap
// u or v. Regroups to base 10^8, sums columns in 64 bits (schoolbook below a
// measured size, Karatsuba above) and resolves the carries once; from
// thresholds.nttMul digits in the shorter operand, number-theoretic
// transforms (kernels_ntt.h). A square (un == vn and equal limbs, whether
// or not u == v) forms each cross product once: about half the column
// products, three half-size squares in Karatsuba, one forward transform.
// Scratch: KSLOT_DIGITS, KSLOT_COLUMNS, KSLOT_WORK, KSLOT_SHORT, KSLOT_NTT.
void mul(limb_t* w, const limb_t* u, int un, const limb_t* v, int vn);

// w[0..un+vn-lo) := floor(u[0..un) * v[0..vn) / 10000^lo), the product's
// limbs from lo up, exact, without forming the columns far below lo: returns
// true. Returns false (w unspecified) when the dropped columns' carry cannot
// be proved not to reach limb lo (about once in 10^16 / (10^8 m) products, m
// the shorter operand's base-10^8 digits), when lo is too small to save
// anything, or for operands beyond 1,024 limbs (where the whole product by
// Karatsuba costs less); the caller then forms the full product with mul. A
// square (as for mul) sums each cross product once. un, vn >= 1, lo <= un +
// vn; w must not overlap u or v.
bool mul_high(limb_t* w, const limb_t* u, int un, const limb_t* v, int vn, int lo);

// q[0..un-vn+1) := floor(u[0..un) / v[0..vn)). Needs vn >= 1, v[vn-1] != 0,
// un >= vn. u and v are not changed; q must not overlap them. A divisor
// below 10^8 takes one short-division pass; longer ones a long division in
// base 10^8 whose partial remainders keep their carries pending; a quotient
// and a divisor both of at least thresholds.newtonDiv digits, a Newton
// reciprocal and a proof by the exact remainder. Scratch: KSLOT_REMAINDER,
// KSLOT_NEWTON and mul's.
void divq(limb_t* q, const limb_t* u, int un, const limb_t* v, int vn);

// The sizes, in base-10^8 digits (two limbs), from which mul forms a
// product by number-theoretic transforms (the shorter operand's length) and
// divq divides by a Newton reciprocal (the divisor's and the quotient's
// length), below which the Karatsuba and long-division loops are faster
// (measured on this machine: the two products meet at 4,000 to 6,000 digits,
// the two quotients at about 4,000). Tests lower them to reach those methods at small
// sizes; change them only while no other thread uses the library.
struct Thresholds {
    int nttMul;
    int newtonDiv;
};
extern Thresholds thresholds;
const Thresholds DEFAULT_THRESHOLDS = {4000, 4000};

// Per-thread scratch storage for the temporaries of one operation. A slot
// returns at least n limbs, contents unspecified, valid until the next call
// with the same slot on the same thread; an operation takes a slot that no
// operation it calls takes. Failure to grow is the fatal "Memory allocation
// failure.". The kernels above use storage of their own, never these slots.
enum ScratchSlot {
    SLOT_OPERAND = 1,     // an operand cut to the other's exponent (+=, -=)
    SLOT_WIDE = 2,        // a double-length product (*=) or widened dividend (/=)
    SLOT_POWER_TEMP = 4,  // the exponent's limbs counted down (^=)
    SLOT_ONE = 5,         // the stored form of 1 (CmpOne)
    SLOT_POWER = 6,       // the running power (^=), which *= multiplies into
    SCRATCH_SLOTS = 8
};
limb_t* scratch(ScratchSlot slot, size_t n);

// Storage for the temporaries of one operation: an array in the caller's
// frame when n limbs fit in it, else the scratch slot. Small and default
// precisions then never touch the per-thread storage at all (whose lookup
// costs more than a short product at 9 limbs).
template <size_t N>
struct LocalLimbs {
    limb_t local[N];
    limb_t* get(ScratchSlot slot, size_t n) { return n <= N ? local : scratch(slot, n); }
};

// Raw per-thread storage for the kernels themselves (slots of their own, at
// least `bytes` bytes, aligned for any scalar type). Same rules as scratch.
enum KernelSlot {
    KSLOT_DIGITS = 0,     // base-10^8 operands of a product; a truncated product's block
    KSLOT_COLUMNS = 1,    // column sums of a product
    KSLOT_WORK = 2,       // Karatsuba temporaries
    KSLOT_REMAINDER = 3,  // partial remainders and digits of a long division
    KSLOT_SHORT = 4,      // column halves of a product by one or two limbs
    KSLOT_NTT = 5,        // residues and roots of a transform product
    KSLOT_NEWTON = 6,     // reciprocal, quotient and remainder of a Newton quotient
    KSLOT_KEPT0 = 7,      // an operand's transforms kept for several products (nttKeep)
    KSLOT_KEPT1 = 8,      // a second one
    KERNEL_SLOTS = 9
};
void* kscratch(KernelSlot slot, size_t bytes);

// ---- Plain loops for tests ----------------------------------------------------------
//
// Other loops that meet the contracts above, for a test that runs the whole
// library on plain reference loops and compares its results with the fast
// ones (tests/func_reference_test.cpp). While a set is installed, the kernels
// it names run its loops instead of their own, and the number operations take
// none of their own shortcuts: small integers are assigned through their text,
// every product is formed in full and then cut. Install it only while no
// other thread uses the library. Unset entries keep the library's kernel.
struct KernelSet {
    void (*mul)(limb_t* w, const limb_t* u, int un, const limb_t* v, int vn);
    void (*divq)(limb_t* q, const limb_t* u, int un, const limb_t* v, int vn);
    limb_t (*add_n)(limb_t* w, const limb_t* u, const limb_t* v, int n);
    limb_t (*sub_n)(limb_t* w, const limb_t* u, const limb_t* v, int n);
    int (*cmp_n)(const limb_t* u, const limb_t* v, int n);
    int (*cmp_trunc)(const limb_t* u, const limb_t* v, int n, int64_t d);
    void (*trunc_digits)(limb_t* w, const limb_t* u, int n, int64_t d);
};

// Installs `set` (nullptr: the library's own kernels and shortcuts again).
void setKernelSet(const KernelSet* set);

// The installed set, or nullptr. Read on every kernel call; a plain global,
// so that the test costs one load and a branch that is never taken.
extern const KernelSet* kernelSet;

// True while a set is installed: the number operations form their results
// the plain way.
inline bool plainPaths() { return kernelSet != nullptr; }

}  // namespace kv

#endif
