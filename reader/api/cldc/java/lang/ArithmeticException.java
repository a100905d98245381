// ArithmeticException.java - CLDC 1.0, signatures only.
package java.lang;

public class ArithmeticException extends RuntimeException {
    public ArithmeticException() {}
    public ArithmeticException(String s) {}
}
