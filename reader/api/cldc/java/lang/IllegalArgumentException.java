// IllegalArgumentException.java - CLDC 1.0, signatures only.
package java.lang;

public class IllegalArgumentException extends RuntimeException {
    public IllegalArgumentException() {}
    public IllegalArgumentException(String s) {}
}
