// Samplers that the fit uses: gamma and beta variates, a class from its
// probabilities.
#include "stats.h"

#include "vargen1.h"
#include "vargen2.h"

// STUB rgamma/genbet: replaced by the update steps' author
// STUB rmultinom: replaced by the genotype calls' author
