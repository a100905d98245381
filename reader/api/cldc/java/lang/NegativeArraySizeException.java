// NegativeArraySizeException.java - CLDC 1.0, signatures only.
package java.lang;

public class NegativeArraySizeException extends RuntimeException {
    public NegativeArraySizeException() {}
    public NegativeArraySizeException(String s) {}
}
