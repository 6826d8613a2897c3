#!/usr/bin/env python3
# The least-squares polynomial of degree N through the points "x y" read from standard input,
# solved in exact rational arithmetic (each double taken as the exact number it holds), so
# that the normal equations cost no precision. Prints the coefficients c0..cN and the residual
# sum of squares, one a line, to 17 significant digits.
import sys
from fractions import Fraction

degree = int(sys.argv[1])
points = [tuple(Fraction(float(v)) for v in line.split()) for line in sys.stdin if line.strip()]
size = degree + 1
matrix = [[sum(x ** (j + k) for x, _ in points) for k in range(size)] +
          [sum(y * x ** j for x, y in points)] for j in range(size)]
for col in range(size):
    pivot = next(r for r in range(col, size) if matrix[r][col] != 0)
    matrix[col], matrix[pivot] = matrix[pivot], matrix[col]
    for r in range(size):
        if r != col and matrix[r][col] != 0:
            factor = matrix[r][col] / matrix[col][col]
            matrix[r] = [a - factor * b for a, b in zip(matrix[r], matrix[col])]
coefficients = [matrix[j][size] / matrix[j][j] for j in range(size)]
rss = sum((y - sum(c * x ** k for k, c in enumerate(coefficients))) ** 2 for x, y in points)
for value in coefficients + [rss]:
    print(f"{float(value):.17g}")
