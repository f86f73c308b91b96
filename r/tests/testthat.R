library(testthat)
library(savkit)

test_check("savkit")
