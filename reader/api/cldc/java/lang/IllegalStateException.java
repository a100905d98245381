// IllegalStateException.java - CLDC 1.0, signatures only.
package java.lang;

public class IllegalStateException extends RuntimeException {
    public IllegalStateException() {}
    public IllegalStateException(String s) {}
}
