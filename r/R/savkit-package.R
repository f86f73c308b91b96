#' @keywords internal
#' @useDynLib savkit, .registration = TRUE
#' @importFrom haven as_factor
#' @importFrom hms hms
"_PACKAGE"

# haven's and hms's namespaces are loaded with savkit's, so that the columns
# it makes (haven_labelled, hms) print and convert with their methods.
